#include "fake_ui.h"

#include <QDialog>
#include <QFileInfo>
#include <QPrinter>

namespace test {

namespace {
std::optional<app::FileDialogAnswer> Next(std::deque<std::optional<app::FileDialogAnswer>>& answers) {
    if (answers.empty()) return std::nullopt;
    const bool given = answers.front().has_value();
    app::FileDialogAnswer a = given ? *answers.front() : app::FileDialogAnswer{};
    answers.pop_front();
    if (!given) return std::nullopt;
    return a;
}
} // namespace

std::optional<app::FileDialogAnswer> FakeUi::GetOpenFileName(QWidget*, const app::FileDialogRequest& r) {
    openRequests.push_back(r);
    if (onFileDialog) onFileDialog();
    return Next(openAnswers);
}

std::optional<app::FileDialogAnswer> FakeUi::GetSaveFileName(QWidget*, const app::FileDialogRequest& r) {
    saveRequests.push_back(r);
    if (onFileDialog) onFileDialog();
    return Next(saveAnswers);
}

bool FakeUi::PrintDlg(QWidget*, QPrinter& p, DWORD flags, app::PrintChoice& choice) {
    printFlags.push_back(flags);
    printOffers.push_back(choice);
    choice.trueSize = printTrueSize;
    return printer && printer(p);
}

int FakeUi::MessageBox(QWidget*, const CString& text, UINT type) {
    messages.push_back({text, type});
    if ((type & 0x0F) != MB_YESNO) return IDOK;
    if (replies.empty()) return IDNO;
    const int reply = replies.front();
    replies.pop_front();
    return reply;
}

long long FakeUi::RunModal(CDialog& dialog) {
    const resources::DialogTemplate* tpl = LoadDialogTemplate(resources::IDD_ABOUTBOX);
    dialog.CreateIndirect(*tpl);
    modalTitles.push_back(CString(dialog.Window()->windowTitle()));
    dialog.DestroyWindow();
    return IDOK;
}

void FakeUi::RunPreview(QPrintPreviewDialog& dialog) {
    if (preview) preview(dialog);
}

app::FileDialogAnswer Chose(const std::string& path, int filterIndex) {
    app::FileDialogAnswer a;
    a.path = CString(path);
    a.fileName = CString(QFileInfo(QString::fromStdString(path)).fileName());
    a.filterIndex = filterIndex;
    return a;
}

} // namespace test
