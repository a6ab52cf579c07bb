#include "platform/file.h"
#include "platform/profile.h"
#include "window_fixture.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace test;

using namespace resources;

TEST_F(Window, OpenFileRendersThePictureAndRemembersTheFolderAndFilter) {
    Create();
    Show();
    const std::string path = Write("frame.qli", kFrame);
    OpenByDialog(path, 13);

    ASSERT_EQ(ui->openRequests.size(), 1u);
    const app::FileDialogRequest& r = ui->openRequests[0];
    EXPECT_EQ(r.title, CString("Open CAD/Quilt File"));
    EXPECT_EQ(r.flags, 0x80004u);
    EXPECT_EQ(r.initialDir.Q(), QDir::homePath()); // nothing remembered yet
    EXPECT_EQ(r.filterIndex, 0);
    const auto filters = app::ParseFilterString(r.filter);
    // The filters of the first release come first, the two for everything
    // last.
    ASSERT_GE(filters.size(), 17u);
    EXPECT_TRUE(filters[filters.size() - 2].description.startsWith("All readable files"));
    EXPECT_TRUE(filters[filters.size() - 2].patterns.contains("*.dxf"));
    EXPECT_EQ(filters.back().patterns, QStringList{"*"});
    // The first filter's patterns are taken as written, dotless ones too.
    EXPECT_TRUE(filters[0].patterns.contains("*4qb"));
    EXPECT_TRUE(filters[0].patterns.contains("*pat"));
    EXPECT_EQ(filters[1].description, "CQP (*.cqp)");

    EXPECT_TRUE(Enabled(IDC_PRINT));
    EXPECT_TRUE(Enabled(IDC_CONVERT));
    EXPECT_EQ(Picture(), Expected(path));

    const QString folder = QString::fromStdString(dir.path().string());
    EXPECT_EQ(Text(IDC_FILE_INFO), "File: frame.qli     Size (bytes): " +
                                       QString::number(QFileInfo(QString::fromStdString(path)).size()) +
                                       "\nPath: " + folder);
    EXPECT_TRUE(QRegularExpression("^Render time: \\d+\\.\\d\\d s$").match(Text(IDC_RENDER_TIME)).hasMatch())
        << Text(IDC_RENDER_TIME).toStdString();

    // Written through the settings store and offered by the next dialog.
    QSettings stored("Hollowmere", "loomveil");
    EXPECT_EQ(stored.value("CadInfo/InitPath").toString(), folder);
    EXPECT_EQ(stored.value("CadInfo/FilterIndex").toInt(), 13);
    const QString info = Text(IDC_FILE_INFO);
    Click(IDC_OPEN); // cancelled: nothing changes
    ASSERT_EQ(ui->openRequests.size(), 2u);
    EXPECT_EQ(ui->openRequests[1].initialDir.Q(), folder);
    EXPECT_EQ(ui->openRequests[1].filterIndex, 13);
    EXPECT_EQ(Text(IDC_FILE_INFO), info);
    EXPECT_EQ(dlg->m_strFilePath.Utf8(), path);
}

TEST_F(Window, TheFolderIsTheOneHoldingTheFileEvenWhenANameRepeats) {
    Create();
    // The file's own name also names a folder further up.
    std::filesystem::create_directories(dir.path() / "frame.qli" / "inner");
    const std::string path = Write("frame.qli/inner/frame.qli", kFrame);
    OpenByDialog(path);
    EXPECT_EQ(GetProfileString("CadInfo", "InitPath").Q(),
              QString::fromStdString((dir.path() / "frame.qli" / "inner").string()));
}

TEST_F(Window, AFailedRenderTellsTheFrameSizeAndDisablesPrintAndConvert) {
    Create();
    Show();
    OpenByDialog(Write("frame.qli", kFrame));
    ASSERT_TRUE(Enabled(IDC_CONVERT));

    const std::string bad = Write("notes.xyz", "nothing to draw");
    OpenByDialog(bad, 2);
    ASSERT_EQ(ui->messages.size(), 1u);
    const QSize frame = FrameClient();
    // The reason on the line after the first.
    EXPECT_EQ(ui->messages[0].text.Q(), QString("Unable to open file!\nno reader for files of type \"xyz\"\n"
                                                "Width: %1 Height : %2")
                                            .arg(frame.width())
                                            .arg(frame.height()));
    EXPECT_EQ(ui->messages[0].type, MB_OK | MB_ICONINFORMATION);
    // The half-read model of the failed file must not be printed or converted.
    EXPECT_FALSE(Enabled(IDC_PRINT));
    EXPECT_FALSE(Enabled(IDC_CONVERT));
    EXPECT_TRUE(AllPixels(Picture(), qRgb(255, 255, 255)));
    EXPECT_TRUE(Text(IDC_RENDER_TIME).startsWith("Render time: "));
    // Remembered even though the file failed.
    EXPECT_EQ(GetProfileInt("CadInfo", "FilterIndex", 0), 2);

    // A file that is gone by the time of the render shows size 0 and fails.
    OpenByDialog(dir.File("gone.qli"));
    EXPECT_TRUE(Text(IDC_FILE_INFO).startsWith("File: gone.qli     Size (bytes): 0\n"));
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_TRUE(ui->messages[1].text.Q().startsWith(QString("Unable to open file!\n") +
                                                    std::strerror(ENOENT) + "\n"));

    // A folder is named as one.
    std::filesystem::create_directories(dir.File("d.qli"));
    OpenByDialog(dir.File("d.qli"));
    ASSERT_EQ(ui->messages.size(), 3u);
    EXPECT_TRUE(ui->messages[2].text.Q().startsWith("Unable to open file!\nis a directory\n"));
}

TEST_F(Window, StartsGreyAndCloseGreysThePictureAgain) {
    Create();
    Show();
    EXPECT_FALSE(Enabled(IDC_PRINT));
    EXPECT_FALSE(Enabled(IDC_CONVERT));
    // The template's placeholder texts give way to the (empty) members.
    EXPECT_EQ(Text(IDC_FILE_INFO), "");
    EXPECT_EQ(Text(IDC_RENDER_TIME), "");
    EXPECT_TRUE(AllPixels(Picture(), qRgb(220, 220, 220)));

    OpenByDialog(Write("frame.qli", kFrame));
    ASSERT_FALSE(Text(IDC_FILE_INFO).isEmpty());
    Click(IDC_CLOSE);
    EXPECT_TRUE(AllPixels(Picture(), qRgb(220, 220, 220)));
    EXPECT_FALSE(Enabled(IDC_PRINT));
    EXPECT_FALSE(Enabled(IDC_CONVERT));
    EXPECT_EQ(Text(IDC_FILE_INFO), "");
    EXPECT_EQ(Text(IDC_RENDER_TIME), "");
}

TEST_F(Window, TheCommandLineFileIsRenderedAtTheFirstPaintOnly) {
    const std::string path = Write("frame.QLI", kFrame);
    Create(CString(path));
    // Initialised as an opened file (the name heads a print), not yet rendered.
    EXPECT_EQ(Text(IDC_FILE_INFO), QString("File: frame.QLI     Size (bytes): %1\nPath: %2")
                                       .arg(std::strlen(kFrame))
                                       .arg(QString::fromStdString(dir.path().string())));
    EXPECT_EQ(dlg->m_strFileExt, CString("qli"));
    EXPECT_EQ(dlg->m_strFilePath.Utf8(), path);
    EXPECT_EQ(dlg->m_strFileName, CString("frame.QLI"));
    EXPECT_TRUE(dlg->m_bRenderPending);
    EXPECT_FALSE(dlg->m_bmpRender.HasBitmap());

    Show();
    dlg->Window()->repaint();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg->m_bRenderPending);
    ASSERT_TRUE(dlg->m_bmpRender.HasBitmap());
    EXPECT_TRUE(Enabled(IDC_PRINT));
    const QImage first = Picture();
    EXPECT_EQ(first, Expected(path));

    // Later paints copy the bitmap: a changed file is not read again.
    test::WriteFile(path, kTriangle);
    dlg->Window()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(Picture(), first);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(Window, AFileExceptionInAHandlerIsReportedAndTheWindowStays) {
    Create();
    Show();
    ui->onFileDialog = [] { throw CFileException(CFileException::diskFull, 28, "/tmp/x.dxf"); };
    Click(IDC_OPEN);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(ui->messages[0].text.Utf8(), CFileException(CFileException::diskFull, 28, "/tmp/x.dxf").What());
    EXPECT_TRUE(dlg->Window()->isVisible());

    ui->onFileDialog = nullptr;
    OpenByDialog(Write("frame.qli", kFrame));
    EXPECT_TRUE(Enabled(IDC_PRINT));
}

TEST_F(Window, ConvertWritesTheChosenFormatBesideTheOpenedFileAndKeepsIt) {
    Create();
    Show();
    const std::string path = Write("star.qli", kFrame);
    OpenByDialog(path);
    Click(IDC_CONVERT); // cancelled: the current file stays
    ASSERT_EQ(ui->saveRequests.size(), 1u);
    const app::FileDialogRequest& r = ui->saveRequests[0];
    EXPECT_EQ(r.title, CString("Convert File Format"));
    EXPECT_EQ(r.flags, 0x80006u);
    EXPECT_EQ(r.initialFile.Utf8(), dir.File("star"));
    EXPECT_EQ(r.initialDir.Utf8(), dir.path().string());
    EXPECT_EQ(r.filterIndex, 0);
    const auto filters = app::ParseFilterString(r.filter);
    ASSERT_EQ(filters.size(), 6u);
    EXPECT_EQ(filters[3].description, "QLI (Statler Stitcher *.qli)");
    EXPECT_EQ(filters[5].patterns, QStringList{"*.exp"});
    EXPECT_EQ(dlg->m_strFilePath.Utf8(), path);
    // QLI's unit is known: the dialog offers the fixed span instead.
    EXPECT_FALSE(r.checkBox.IsEmpty());
    EXPECT_FALSE(r.checked);

    // PLT filter, a name typed without an extension: the window says where
    // it wrote, at the pattern's size (plotter units, no SC instruction).
    ui->saveAnswers.push_back(test::Chose(dir.File("out"), 3));
    Click(IDC_CONVERT);
    const std::string written = test::ReadFile(dir.File("out.plt"));
    EXPECT_EQ(written.substr(0, 5), "IN;\r\n");
    EXPECT_NE(written.find("PD"), std::string::npos);
    EXPECT_EQ(written.find("SC0,4,0,4;"), std::string::npos);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text.Utf8(), "Converted to " + dir.File("out.plt"));
    EXPECT_EQ(ui->messages[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(dlg->m_strFilePath.Utf8(), path);
    // With the box checked the pattern is fitted to the format's span.
    auto fit = test::Chose(dir.File("fit"), 3);
    fit.checked = true;
    ui->saveAnswers.push_back(fit);
    Click(IDC_CONVERT);
    EXPECT_NE(test::ReadFile(dir.File("fit.plt")).find("SC0,4,0,4;"), std::string::npos);
    ui->messages.pop_back();

    // A write that fails says why and leaves the window as it was.
    ui->saveAnswers.push_back(test::Chose(dir.File("star.qli") + "/x.dxf", 1));
    Click(IDC_CONVERT);
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(ui->messages[1].text.Utf8().rfind("Unable to convert file!\n", 0), 0u);
    EXPECT_TRUE(Enabled(IDC_CONVERT));
}

TEST_F(Window, ConvertNeverWritesOntoTheViewedFileAndAsksBeforeReplacingAnother) {
    Create();
    const std::string path = Write("star.qli", kFrame);
    std::filesystem::create_symlink(path, dir.File("link.qli"));
    std::filesystem::create_hard_link(path, dir.File("hard.qli"));
    OpenByDialog(path);
    // The suggested name with the QLI filter, a link to it, a hard link, the
    // name typed with its extension: each is the viewed file.
    for (const std::string& chosen : {dir.File("star"), dir.File("link"), dir.File("hard.qli"), path}) {
        ui->messages.clear();
        ui->saveAnswers.push_back(test::Chose(chosen, 4));
        Click(IDC_CONVERT);
        ASSERT_EQ(ui->messages.size(), 1u) << chosen;
        EXPECT_EQ(ui->messages[0].text.Utf8().rfind("Unable to convert file!\n", 0), 0u) << chosen;
        EXPECT_NE(ui->messages[0].text.Utf8().find("is the file being viewed"), std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(path), kFrame);

    // Another file that the appended extension names: asked about first.
    const std::string other = Write("other.plt", "keep");
    ui->messages.clear();
    ui->saveAnswers.push_back(test::Chose(dir.File("other"), 3));
    Click(IDC_CONVERT); // answered No
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text.Utf8(), other + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(ui->messages[0].type, MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(test::ReadFile(other), "keep");
    ui->replies.push_back(IDYES);
    ui->saveAnswers.push_back(test::Chose(dir.File("other"), 3));
    Click(IDC_CONVERT);
    EXPECT_EQ(test::ReadFile(other).substr(0, 3), "IN;");
    EXPECT_EQ(ui->messages.back().text.Utf8(), "Converted to " + other);
}

TEST_F(Window, AboutFromTheButtonAndTheSystemMenu) {
    Create();
    Click(IDC_ABOUT);
    EXPECT_EQ(ui->modalTitles, std::vector<CString>{"About Loomveil"});

    // The entry that ends the program says so, unlike the Close button.
    const auto& entries = dlg->GetSystemMenu(FALSE)->Entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[entries.size() - 3].id, SC_CLOSE);
    EXPECT_EQ(entries[entries.size() - 3].text, CString("E&xit"));
    EXPECT_EQ(entries[entries.size() - 2].flags, MF_SEPARATOR);
    EXPECT_EQ(entries.back().id, 0x0010u);
    EXPECT_EQ(entries.back().text, CString("&About Loomveil..."));
    dlg->HandleSysCommand(0x0010 | 0x0003); // the low bits are the system's
    EXPECT_EQ(ui->modalTitles.size(), 2u);
}

TEST_F(Window, EnterAndSpaceNeverQuit) {
    // A command-line file that fails: its box must not leave the focus on Exit.
    Create(CString(Write("bad.xyz", "x")));
    Show();
    dlg->Window()->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(dlg->Window()->focusWidget(), Item(IDC_OPEN));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        QTest::keyClick(dlg->Window()->focusWidget(), key);
        EXPECT_TRUE(dlg->Window()->isVisible()) << key;
    }
    // Enter pressed Open File (cancelled): the window is still there.
    EXPECT_GE(ui->openRequests.size(), 2u);
    Item(IDOK)->setFocus();
    QTest::keyClick(Item(IDOK), Qt::Key_Return);
    EXPECT_TRUE(dlg->Window()->isVisible());
}

TEST_F(Window, ExitAndEscapeEndTheModalDialog) {
    dlg = std::make_unique<CLoomveilDlg>(CString(), nullptr, ui);
    QTimer::singleShot(0, [&] { Click(IDOK); });
    EXPECT_EQ(dlg->DoModal(), IDOK);
    EXPECT_EQ(dlg->Window(), nullptr);

    QTimer::singleShot(0, [&] { QTest::keyClick(dlg->Window(), Qt::Key_Escape); });
    EXPECT_EQ(dlg->DoModal(), IDCANCEL);
}

} // namespace
