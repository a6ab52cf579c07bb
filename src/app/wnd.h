// Windows, controls and dialogs in the framework's shape, over Qt Widgets.
//
// A CDialog is built from a dialog template (dialog units, a font) into a
// QDialog whose controls sit where Windows would put them. The messages the
// program handles arrive as virtual calls: a button click as OnCommand(id),
// painting as OnPaint, the owner-drawn frame as OnDrawItem, the system menu
// as OnSysCommand. Every such call runs inside a guard: an exception that
// escapes a handler is reported, and the window stays.
#pragma once

#include "app/dialog_layout.h"
#include "platform/cstring.h"
#include "platform/dc.h"
#include "resources/dialog_templates.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDialog;
class QPainter;

using INT_PTR = long long;
using LPARAM = long long;
using HICON = QIcon;

using resources::IDOK; // 1
constexpr int IDCANCEL = 2;

// System commands (the low four bits of an id are the system's own).
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
int GetSystemMetrics(int index);

// A window handle in all but name: the widget of a control or dialog.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    QWidget* GetSafeHwnd() const { return m_hWnd; }
    // Returns TRUE when the window was disabled before.
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    BOOL ShowWindow(int cmd);
    // The client area: inside the border of a control that has one.
    void GetClientRect(CRect* rect) const;
    void Invalidate(BOOL erase = TRUE);
    void SetWindowText(const CString& text);
    CString GetWindowText() const;

    QPointer<QWidget> m_hWnd;
};

class CButton : public CWnd {};

// A menu as a list of entries; the system menu of a dialog is one.
class CMenu {
public:
    struct Entry {
        UINT flags;
        UINT id;
        CString text;
    };
    BOOL AppendMenu(UINT flags, UINT id = 0, const CString& text = {});
    // Replaces the entry of command id; FALSE when there is none.
    BOOL ModifyMenu(UINT id, UINT flags, UINT newId, const CString& text);
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

struct DRAWITEMSTRUCT {
    UINT CtlID = 0;
    CDC* pDC = nullptr; // the item's device context, client coordinates
    CRect rcItem;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

class CDialog;

struct CDataExchange {
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
};
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// Binds control to the dialog's control id (once).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId, CWnd* pParent = nullptr);
    ~CDialog() override;

    // Builds the window from the template, runs it until EndDialog, and
    // destroys it. -1 when the template cannot be found.
    virtual INT_PTR DoModal();
    // Builds the window from tpl without running it (a modeless dialog,
    // hidden until shown): controls, data exchange, OnInitDialog.
    BOOL CreateIndirect(const resources::DialogTemplate& tpl, CWnd* pParent = nullptr);
    void DestroyWindow();
    void EndDialog(int result);

    CWnd* GetDlgItem(int id);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    CMenu* GetSystemMenu(BOOL revert);
    void SetIcon(const HICON& icon, BOOL big);

    // The base units the window was laid out with and its font.
    app::BaseUnits GetBaseUnits() const { return m_baseUnits; }
    QFont GetDialogFont() const;
    const resources::DialogTemplate* GetTemplate() const { return m_template ? &*m_template : nullptr; }
    QDialog* Window() const;

    // Runs fn once the current message has been handled, guarded like a
    // handler; dropped if the window goes first.
    void PostCall(std::function<void()> fn);

    // Where the window's messages enter.
    void HandleCommand(int id);
    void HandlePaint(QPainter* painter);
    void HandleDrawItem(DRAWITEMSTRUCT* dis);
    void HandleSysCommand(UINT id);

    // The painter of the paint message being handled (a CPaintDC draws
    // with it); null outside painting.
    QPainter* CurrentPaintPainter() const { return m_paintPainter; }

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // The message map for buttons: TRUE when id was handled.
    virtual BOOL OnCommand(int id);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnPaint();
    virtual void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void OnSysCommand(UINT nID, LPARAM lParam);
    // The screen the dialog is laid out for.
    virtual app::ScreenMetrics GetScreenMetrics();
    // A handler let an exception out; the message says what it was.
    virtual void ReportUncaughtException(const std::string& what);

    // Runs fn; an exception it lets out is reported (after the current
    // message when deferReport, as a report cannot be shown while painting).
    void Guard(const std::function<void()>& fn, bool deferReport = false);

    int m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    std::unique_ptr<QDialog> m_wnd;
    std::optional<resources::DialogTemplate> m_template;
    app::BaseUnits m_baseUnits;
    int m_dpiY = 96;
    std::map<int, std::unique_ptr<CWnd>> m_items;
    CMenu m_systemMenu;
    QPainter* m_paintPainter = nullptr;
};

// A device context on the dialog for the paint message being handled.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CDialog* pWnd);
};

// Draws icon at (x, y) in the icon size of the system metrics.
void DrawIcon(CDC* pDC, int x, int y, const HICON& icon);

// The template a dialog id names, or null.
const resources::DialogTemplate* LoadDialogTemplate(int id);
