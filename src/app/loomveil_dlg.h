// CLoomveilDlg, the main window: the document (the current file, its
// pattern, the readers and writers) with the controls and commands of
// dialog template 133 on top. CAboutDlg, the about box (template 100).
#pragma once

#include "app/user_interface.h"
#include "app/wnd.h"
#include "model/loomveil_doc.h"

#include <memory>
#include <optional>
#include <vector>

namespace app {
class ViewerShell;
}

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
};

class CLoomveilDlg : public CDialog, public CLoomveilDoc {
public:
    // fileName: the file named on the command line, or empty. ui answers the
    // window's questions (Qt's own dialogs when null).
    explicit CLoomveilDlg(const CString& fileName, CWnd* pParent = nullptr,
                          std::shared_ptr<app::UserInterface> ui = nullptr);
    ~CLoomveilDlg() override;

    // Runs template 133 with its font scaled to the screen (see
    // LoadScaledTemplate); -1 when the template is missing.
    INT_PTR DoModal() override;
    // Template 133 as DoModal runs it: its font point size scaled so the
    // window takes at most five sixths of the screen and eight inches.
    std::optional<resources::DialogTemplate> LoadScaledTemplate();

    // Commands and messages.
    void OnSysCommand(UINT nID, LPARAM lParam) override;
    void OnPaint() override;
    HICON OnQueryDragIcon();
    void OnConvertFormat();
    void OnOpenFile();
    void OnPrintFile();
    void OnCloseFile();
    void OnAbout();
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    // Renders the current file into m_bmpRender, the size of the picture
    // frame, and shows the result.
    void RenderCurrentFile();

    // Opens the file at path as Open File opens the file chosen in its
    // dialog (drag and drop, recent files, PgDown/PgUp).
    void OpenPath(const CString& path);
    // Shows the print preview of the current file (printing.cpp).
    void OnPrintPreview();
    // The printer named for the current file, and the layouts it may be
    // printed in (true size only where the pattern's unit is known).
    app::PrintChoice OfferPrintChoice(QPrinter& printer);
    // Prints the current file onto printer as choice says: the fitted page,
    // or true size over as many sheets as it needs.
    void PrintTo(QPrinter& printer, const app::PrintChoice& choice);
    // The window's zoom, playback, facts and file browsing; null until
    // the window is built.
    app::ViewerShell* Shell() const { return m_shell.get(); }
    // More files named on the command line: PgDown/PgUp step through them.
    std::vector<CString> m_strBrowseFiles;

    // m_PointList and the current-file members come with the document.
    CString m_strFileInfo;
    CString m_strRenderTime;
    CButton m_btnPrint;
    CButton m_btnConvert;
    BOOL m_bRenderPending = FALSE;
    HICON m_hIcon;
    CBitmap m_bmpRender;
    CPoint m_ptPrintOrigin;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id) override;
    app::ScreenMetrics GetScreenMetrics() override;
    void ReportUncaughtException(const std::string& what) override;

private:
    // Makes path (whose file name is name) the current file and shows its
    // name, size and folder; returns the folder.
    CString TakeCurrentFile(const CString& path, const CString& name);

    std::shared_ptr<app::UserInterface> m_ui;
    std::unique_ptr<app::ViewerShell> m_shell;
};
