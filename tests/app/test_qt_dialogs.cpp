// The interface as the user answers it, through Qt's own dialogs.
#include "app/loomveil_dlg.h"
#include "model/formats.h"
#include "test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Runs answer on the modal dialog that opens next.
template <class Dialog, class Answer> void WhenShown(Answer answer) {
    QTimer::singleShot(0, [answer] {
        auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        answer(d);
    });
}

TEST(QtUserInterface, TheOpenDialogShowsTheDescriptionsAndReportsTheChosenFilter) {
    test::TempDir dir;
    const std::string path = dir.File("star.qli");
    test::WriteFile(path, "#h\n");
    auto ui = app::MakeQtUserInterface();
    app::FileDialogRequest r;
    r.title = "Open CAD/Quilt File";
    r.filter = CString(OpenFileFilter());
    r.initialDir = CString(dir.path().string());
    r.filterIndex = 12;
    QStringList shown;
    QString preselected;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Open CAD/Quilt File");
        if (auto* types = d->findChild<QComboBox*>("fileTypeCombo"))
            for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
        preselected = d->selectedNameFilter();
        d->selectNameFilter(d->nameFilters().at(13)); // SSD
        d->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(d)->accept();
    });
    const auto answer = ui->GetOpenFileName(nullptr, r);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->path.Utf8(), path);
    EXPECT_EQ(answer->fileName, CString("star.qli"));
    EXPECT_EQ(answer->filterIndex, 14);
    EXPECT_TRUE(preselected.startsWith("QLI (Statler Stitcher *.qli)")) << preselected.toStdString();
    // The first release's entries first; formats read since follow them.
    ASSERT_GE(shown.size(), 15);
    EXPECT_TRUE(
        shown[0].startsWith("All Cad and Quilt Files (*.4qb;*.cmd;*.cqp;*.cdr;*.dxf;*.hqf;*.hqv;*.iqp;*.qcc;"
                            "*.qli;*.pat;*.plt;*.ssd;*.txt"));
    EXPECT_EQ(shown[14], "TXT (PCQuilter *.txt)");

    WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
    EXPECT_FALSE(ui->GetOpenFileName(nullptr, r));
}

} // namespace
