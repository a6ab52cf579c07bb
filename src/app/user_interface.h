// The questions the window asks its user: file names, the printer, a
// message to acknowledge, another dialog to run, and which screen it is on.
// The program asks them through this interface so that tests can answer.
#pragma once

#include "app/dialog_layout.h"
#include "platform/cstring.h"
#include "platform/wintypes.h"

#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class CDialog;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

// Common dialog flags the program passes.
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_EXPLORER = 0x00080000;

constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_USEDEVMODECOPIESANDCOLLATE = 0x00040000;
constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;

// The buttons a message box returns besides IDOK.
constexpr int IDYES = 6;
constexpr int IDNO = 7;

namespace app {

struct FileDialogRequest {
    CString title;
    // Pairs of description and patterns, each ended by '|', the whole list
    // by one more '|'; patterns within a pair are separated by ';'.
    CString filter;
    CString initialDir;
    CString initialFile; // may hold a folder too
    int filterIndex = 0; // 1-based; 0 for the first filter
    DWORD flags = 0;
    CString checkBox; // the text of a check box under the file list; empty: none
    bool checked = false;
};

struct FileDialogAnswer {
    CString path;         // full path
    CString fileName;     // name with extension, no folder
    int filterIndex = 1;  // the filter the user left selected, 1-based
    bool checked = false; // the request's check box as the user left it
};

// How the pattern goes on paper: scaled to fit one page, or at true size
// over as many sheets as it needs (only where the pattern's unit is known).
struct PrintChoice {
    bool trueSizeAvailable = false;
    QString trueSizeWhy; // why not, when it is not available
    bool trueSize = false;
};

struct FileFilter {
    QString description;
    QStringList patterns;
};
std::vector<FileFilter> ParseFilterString(const CString& filter);
// The filters as Qt's file dialog takes them: "description (patterns)".
QStringList QtNameFilters(const std::vector<FileFilter>& filters);

class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual std::optional<FileDialogAnswer> GetOpenFileName(QWidget* parent,
                                                            const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogAnswer> GetSaveFileName(QWidget* parent,
                                                            const FileDialogRequest& request) = 0;
    // Lets the user choose and set up printer, and the layout within what
    // choice offers; true when confirmed.
    virtual bool PrintDlg(QWidget* parent, QPrinter& printer, DWORD flags, PrintChoice& choice) = 0;
    // Shows text until the user closes it; returns the button pressed
    // (IDOK, or IDYES / IDNO for MB_YESNO, whose default is No).
    virtual int MessageBox(QWidget* parent, const CString& text, UINT type) = 0;
    virtual long long RunModal(CDialog& dialog) = 0;
    // Runs Qt's print preview until the user closes it.
    virtual void RunPreview(QPrintPreviewDialog& preview) = 0;
    virtual ScreenMetrics Screen() = 0;
};

// The interface answered by the user, through Qt's dialogs.
std::shared_ptr<UserInterface> MakeQtUserInterface();

} // namespace app
