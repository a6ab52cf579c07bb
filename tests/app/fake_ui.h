// Answers the window's questions in tests, and remembers what was asked.
#pragma once

#include "app/loomveil_dlg.h"

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace test {

class FakeUi : public app::UserInterface {
public:
    struct Message {
        CString text;
        UINT type;
    };

    std::optional<app::FileDialogAnswer> GetOpenFileName(QWidget*, const app::FileDialogRequest& r) override;
    std::optional<app::FileDialogAnswer> GetSaveFileName(QWidget*, const app::FileDialogRequest& r) override;
    bool PrintDlg(QWidget*, QPrinter& printer, DWORD flags, app::PrintChoice& choice) override;
    int MessageBox(QWidget*, const CString& text, UINT type) override;
    long long RunModal(CDialog& dialog) override;
    void RunPreview(QPrintPreviewDialog& preview) override;
    app::ScreenMetrics Screen() override { return screen; }

    // Answers given in turn; an exhausted list cancels.
    std::deque<std::optional<app::FileDialogAnswer>> openAnswers;
    std::deque<std::optional<app::FileDialogAnswer>> saveAnswers;
    // Answers to yes/no questions in turn; an exhausted list says No.
    std::deque<int> replies;
    // Sets up the chosen printer; null cancels the print dialog.
    std::function<bool(QPrinter&)> printer;
    // Called when a file dialog opens, before it answers (to throw, say).
    std::function<void()> onFileDialog;
    app::ScreenMetrics screen{1280, 1024, 96, 96};

    std::vector<app::FileDialogRequest> openRequests;
    std::vector<app::FileDialogRequest> saveRequests;
    std::vector<DWORD> printFlags;
    // The layout the print dialog answers with; what it was offered.
    bool printTrueSize = false;
    std::vector<app::PrintChoice> printOffers;
    std::vector<Message> messages;
    // Called with each print preview instead of running it.
    std::function<void(QPrintPreviewDialog&)> preview;
    // The titles of the dialogs run modally.
    std::vector<CString> modalTitles;
};

// An open-dialog answer for path with the first filter.
app::FileDialogAnswer Chose(const std::string& path, int filterIndex = 1);

} // namespace test
