// The window as a viewer: zoom and pan drawn anew at each scale, the
// pattern's facts, files by keyboard, drag and drop and the recent list,
// and the stitch-order playback.
#include "app/file_browsing.h"
#include "app/viewer_shell.h"
#include "model/jumps.h"
#include "platform/profile.h"
#include "window_fixture.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

namespace {

using namespace test;

// 1016 HPGL units are one inch: a 1 × 2 inch rectangle outline, and a
// second stroke inside it.
constexpr const char* kInchPlt = "IN;PU0,0;PD1016,0,1016,2032,0,2032,0,0;PU254,254;PD762,254;";

class View : public Window {
protected:
    app::ViewerShell& Shell() { return *dlg->Shell(); }
    app::PatternView& Pattern() { return Shell().View(); }
    QString Label(int id) { return qobject_cast<QLabel*>(Shell().Control(id))->text(); }
    // Lets the worker finish and shows its picture.
    QImage Settled() {
        Pattern().WaitForPicture();
        return Picture();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(dlg->Window(), static_cast<Qt::Key>(key), mods);
        QCoreApplication::processEvents();
    }
    QString Shown() { return QFileInfo(dlg->m_strFilePath.Q()).fileName(); }
};

bool Ink(const QImage& image, QPoint p) {
    return image.rect().contains(p) && (image.pixel(p) & 0xFFFFFF) == 0;
}

TEST_F(View, ZoomDrawsTheVectorsAnewAboutThePointAndFitRestoresThePicture) {
    Create();
    Show();
    OpenByDialog(Write("frame.qli", kFrame));
    const QImage fitted = Picture();
    ASSERT_EQ(fitted, Expected(dir.File("frame.qli")));

    // The frame's bottom-left corner (the file's y grows upward), where its
    // two edges meet.
    const PointListFit fit(dlg->m_PointList, FrameClient().width(), FrameClient().height());
    const QPoint corner(fit.X(0), fit.Y(0));
    ASSERT_TRUE(Ink(fitted, corner));

    // The wheel zooms about the mouse: the corner stays under it, and the
    // edges stay one pixel wide (drawn anew, not a stretched picture).
    QWidget* frame = Item(IDC_PICTURE);
    const QPointF at = QPointF(corner + frame->contentsRect().topLeft());
    for (int notch = 0; notch < 6; ++notch) {
        QWheelEvent wheel(at, frame->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(frame, &wheel);
    }
    EXPECT_NEAR(Pattern().View().zoom, std::pow(app::kZoomStep, 6), 1e-9);
    const QImage zoomed = Settled();
    EXPECT_TRUE(Pattern().Exact());
    bool cornerThere = false;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            cornerThere |= Ink(zoomed, corner + QPoint(dx, dy)) &&
                           Ink(zoomed, corner + QPoint(dx + 20, dy)) &&
                           Ink(zoomed, corner + QPoint(dx, dy - 20));
    EXPECT_TRUE(cornerThere);
    EXPECT_FALSE(Ink(zoomed, corner + QPoint(3, -3)));
    EXPECT_LT(CountNonWhite(zoomed), CountNonWhite(fitted));

    // While a new scale is drawn the last picture is shown, moved.
    Pattern().Pan(QPoint(40, 0));
    EXPECT_FALSE(Pattern().Exact());
    EXPECT_GT(CountNonWhite(Picture()), 0);
    Settled();

    // Double click (or Ctrl+0) fits again: the very picture of the render.
    QTest::mouseDClick(frame, Qt::LeftButton, {}, at.toPoint());
    EXPECT_TRUE(Pattern().View().IsFit());
    EXPECT_EQ(Settled(), fitted);
    Key('+');
    Key(Qt::Key_Left);
    EXPECT_GT(Pattern().View().zoom, 1.0);
    Key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Settled(), fitted);
}

TEST_F(View, AGrownWindowDrawsThePatternAnewAtTheFramesSize) {
    Create();
    Show();
    OpenByDialog(Write("frame.qli", kFrame));
    dlg->Window()->resize(1100, 900);
    QTRY_COMPARE(FrameClient(), QSize(540 + 374, 516 + 265));
    const QImage grown = Settled();
    EXPECT_EQ(grown.size(), FrameClient());
    EXPECT_EQ(grown, Expected(dir.File("frame.qli")));
    EXPECT_EQ(dlg->m_bmpRender.Image(), grown); // printing and the next paint use it
}

TEST_F(View, FactsTitleAndCursorPosition) {
    Create();
    Show();
    EXPECT_EQ(dlg->Window()->windowTitle(), "Vadodarare");
    OpenByDialog(Write("inch.plt", kInchPlt));
    EXPECT_EQ(dlg->Window()->windowTitle(), "inch.plt — Loomveil");
    EXPECT_EQ(Label(app::IDC_FACTS),
              "Size: 1.00 × 2.00 in\n(25.4 × 50.8 mm)\nStitches: 7\nStrokes: 2\nColours: 1");

    // The mouse over the rectangle's bottom-right corner (y is stored
    // negated: the plotter's y grows upward).
    const PointListFit fit(dlg->m_PointList, FrameClient().width(), FrameClient().height());
    QWidget* frame = Item(IDC_PICTURE);
    QTest::mouseMove(frame, QPoint(fit.X(1016), fit.Y(0)) + frame->contentsRect().topLeft());
    EXPECT_TRUE(Label(app::IDC_STATUS).startsWith("x 101")) << Label(app::IDC_STATUS).toStdString();
    EXPECT_TRUE(Label(app::IDC_STATUS).contains("in (25.")) << Label(app::IDC_STATUS).toStdString();

    // A format without a unit says so.
    OpenByDialog(Write("frame.cqp", "PU\nM0,0\nD200,0\nD200,100\nD0,100\nD0,0\n"));
    EXPECT_TRUE(Label(app::IDC_FACTS).startsWith("Size: unit unknown\n(200 × 100 units)"));
    Click(IDC_CLOSE);
    EXPECT_EQ(dlg->Window()->windowTitle(), "Vadodarare");
    EXPECT_EQ(Label(app::IDC_FACTS), "");
}

TEST_F(View, PageKeysStepThroughTheFolderAndTheCommandLineList) {
    for (const char* name : {"b.qli", "a10.qli", "a2.qli"}) Write(name, kFrame);
    Write("notes.doc", "not a pattern");
    Create();
    Show();
    OpenByDialog(dir.File("a2.qli"));
    std::vector<QString> seen;
    for (int i = 0; i < 4; ++i) {
        Key(Qt::Key_PageDown);
        seen.push_back(Shown());
    }
    EXPECT_EQ(seen, (std::vector<QString>{"a10.qli", "b.qli", "a2.qli", "a10.qli"}));
    Key(Qt::Key_PageUp);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Shown(), "b.qli");
    EXPECT_TRUE(ui->messages.empty());

    // Files named on the command line are the list instead, in their order.
    dlg.reset();
    dlg = std::make_unique<CLoomveilDlg>(CString(dir.File("b.qli")), nullptr, ui);
    dlg->m_strBrowseFiles = {CString(dir.File("b.qli")), CString(dir.File("a2.qli"))};
    dlg->CreateIndirect(*dlg->LoadScaledTemplate());
    Show();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Shown(), "a2.qli");
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Shown(), "b.qli");
}

TEST_F(View, DroppedAndRecentFilesOpen) {
    Create();
    Show();
    const std::string a = Write("a.qli", kFrame), b = Write("b.qli", kTriangle);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(b))});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg->Window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg->Window(), &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg->m_strFilePath.Utf8(), b);
    EXPECT_EQ(Picture(), Expected(b));
    EXPECT_EQ(GetProfileString("CadInfo", "InitPath").Utf8(), dir.path().string());

    OpenByDialog(a);
    EXPECT_EQ(app::LoadRecentFiles(), (QStringList{QString::fromStdString(a), QString::fromStdString(b)}));
    EXPECT_EQ(GetProfileString("CadInfo", "RecentFile1").Utf8(), a);
    // The newest eight are kept, once each.
    for (int i = 0; i < 10; ++i) app::RememberRecentFile(QString("/p/%1.qli").arg(i));
    app::RememberRecentFile("/p/3.qli");
    const QStringList recent = app::LoadRecentFiles();
    EXPECT_EQ(recent.size(), app::kMaxRecentFiles);
    EXPECT_EQ(recent.front(), "/p/3.qli");
    EXPECT_EQ(recent.count("/p/3.qli"), 1);
    EXPECT_EQ(recent.back(), "/p/2.qli");
}

TEST_F(View, PlaybackSewsInOrderAndEndsOnThePictureWithItsJumps) {
    Create();
    Show();
    // Two squares apart: the jump between them is the only pen-up travel.
    const std::string path =
        Write("two.qli", "#h\nL,0,0\nL,40,0\nL,40,40\nL,0,40\nL,0,0\nJ,\nL,100,0\nL,140,0\n"
                         "L,140,40\nL,100,40\nL,100,0\n");
    OpenByDialog(path);
    const QImage fitted = Picture();
    app::PlaybackControl& play = Shell().Playback();
    const std::size_t n = dlg->m_PointList.size();
    ASSERT_EQ(ComputeStrokeStats(dlg->m_PointList).strokes, 2u);

    play.Seek(6); // the first square only
    const QImage half = Settled();
    const PointListFit fit(dlg->m_PointList, FrameClient().width(), FrameClient().height());
    EXPECT_TRUE(Ink(half, QPoint(fit.X(20), fit.Y(0))));
    EXPECT_FALSE(Ink(half, QPoint(fit.X(120), fit.Y(0))));

    Key(Qt::Key_Space);
    EXPECT_TRUE(play.Playing());
    Key(Qt::Key_Space);
    EXPECT_FALSE(play.Playing());

    // Sewn to the end: the render's picture with the jump dashed in.
    play.Seek(n);
    QImage withJumps = fitted;
    DrawJumps(withJumps, dlg->m_PointList, fitted.width(), fitted.height(), JumpSpace::fitted);
    const QImage end = Settled();
    int differ = 0;
    for (int y = 0; y < end.height(); ++y)
        for (int x = 0; x < end.width(); ++x) differ += end.pixel(x, y) != withJumps.pixel(x, y);
    EXPECT_LT(differ, 200); // the needle's ring, nothing else
    EXPECT_NE(end, fitted);
}

} // namespace
