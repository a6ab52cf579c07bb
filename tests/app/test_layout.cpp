#include "app/dialog_layout.h"
#include "app/loomveil_dlg.h"
#include "fake_ui.h"

#include <QDialog>
#include <QFontInfo>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace resources;

TEST(FontScaling, FitsFiveSixthsOfTheScreenAndAtMostEightInches) {
    // On 1280 x 1024 at 96 dpi the limits are min(1066, 768) = 768 wide and
    // min(853, 768) high. trunc(8 × 0.96 + 0.5) = 8 rebuilds with the same
    // font; an exact fit leaves the template alone; a small template grows;
    // a screen too small for any text still gets a one-point font.
    const app::ScreenMetrics screen{1280, 1024, 96, 96};
    const struct {
        QSize size;
        app::ScreenMetrics screen;
        double ratio; // 0: not checked
        bool changed;
        int pointSize;
    } cases[] = {{{960, 600}, screen, 0.8, true, 6}, {{800, 600}, screen, 0.96, true, 8},
                 {{768, 700}, screen, 1, false, 8},  {{700, 960}, screen, 0, true, 6},
                 {{384, 300}, screen, 0, true, 16},  {{726, 635}, {10, 10, 96, 96}, 0, true, 1}};
    for (const auto& c : cases) {
        const app::FontScaling f = app::ScaleTemplateFont(c.size, c.screen, 8);
        if (c.ratio) {
            EXPECT_DOUBLE_EQ(f.ratio, c.ratio) << c.size.width();
        }
        EXPECT_EQ(f.changed, c.changed) << c.size.width();
        if (c.changed) {
            EXPECT_EQ(f.pointSize, c.pointSize) << c.size.width();
        }
    }
}

std::unique_ptr<CLoomveilDlg> BuildOn(const app::ScreenMetrics& screen) {
    auto ui = std::make_shared<test::FakeUi>();
    ui->screen = screen;
    auto dlg = std::make_unique<CLoomveilDlg>(CString(), nullptr, ui);
    const auto tpl = dlg->LoadScaledTemplate();
    EXPECT_TRUE(tpl);
    if (tpl) dlg->CreateIndirect(*tpl);
    return dlg;
}

QRect Geometry(CLoomveilDlg& dlg, int id) {
    return dlg.GetDlgItem(id)->GetSafeHwnd()->geometry();
}

TEST(DialogLayout, DialogUnitsBecomePixelsThroughTheDialogFont) {
    // 8 point at 96 dpi is an 11-pixel font; in Liberation Sans its base
    // units are 6 × 12. The template (726 × 635 pixels) fits this screen.
    auto dlg = BuildOn({1280, 1024, 96, 96});
    EXPECT_EQ(dlg->GetTemplate()->fontPointSize, 8);
    EXPECT_EQ(QFontInfo(dlg->GetDialogFont()).family(), "Liberation Sans");
    EXPECT_EQ(dlg->GetDialogFont().pixelSize(), 11);
    EXPECT_EQ(dlg->GetBaseUnits(), (app::BaseUnits{6, 12}));

    QDialog* w = dlg->Window();
    EXPECT_EQ(w->size(), QSize(726, 635));
    EXPECT_EQ(w->minimumSize(), QSize(726, 635)); // grows, never shrinks
    EXPECT_GT(w->maximumSize().width(), 4000);
    EXPECT_EQ(w->windowTitle(), "Vadodarare");
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);

    // x · 6 / 4 and y · 12 / 8, each rounded half away from zero.
    EXPECT_EQ(Geometry(*dlg, IDC_FILE_INFO), QRect(170, 14, 536, 33));
    EXPECT_EQ(Geometry(*dlg, IDC_PICTURE), QRect(174, 60, 542, 518));
    EXPECT_EQ(Geometry(*dlg, IDC_PRINT), QRect(20, 299, 120, 47));
    EXPECT_EQ(Geometry(*dlg, IDC_CLOSE), QRect(626, 594, 75, 21));

    // The picture's client area is inside its one-pixel border.
    CRect client;
    dlg->GetDlgItem(IDC_PICTURE)->GetClientRect(&client);
    EXPECT_EQ(client.Width(), 540);
    EXPECT_EQ(client.Height(), 516);
    // The command line's default picture is this frame.
    EXPECT_EQ(dlg->GetBaseUnits(), (app::BaseUnits{resources::kBaseUnitX96, resources::kBaseUnitY96}));
    EXPECT_EQ(resources::PictureFrameClientSize(resources::kBaseUnitX96, resources::kBaseUnitY96).height,
              516);

    EXPECT_EQ(qobject_cast<QPushButton*>(dlg->GetDlgItem(IDOK)->GetSafeHwnd())->text(), "E&xit");
    // Enter never presses Exit.
    EXPECT_FALSE(qobject_cast<QPushButton*>(dlg->GetDlgItem(IDOK)->GetSafeHwnd())->isDefault());

    // Enlarged, the frame takes the growth; the buttons and labels at the
    // left and top keep their rectangles, Close follows the frame's corner.
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    w->resize(1000, 800);
    QTRY_COMPARE(w->size(), QSize(1000, 800));
    EXPECT_EQ(Geometry(*dlg, IDC_PICTURE), QRect(174, 60, 542 + 274, 518 + 165));
    EXPECT_EQ(Geometry(*dlg, IDC_PRINT), QRect(20, 299, 120, 47));
    EXPECT_EQ(Geometry(*dlg, IDC_RENDER_TIME).topLeft(), QPoint(15, 14));
    EXPECT_EQ(Geometry(*dlg, IDC_FILE_INFO), QRect(170, 14, 536 + 274, 33));
    EXPECT_EQ(Geometry(*dlg, IDC_CLOSE), QRect(626 + 274, 594 + 165, 75, 21));
    w->resize(200, 200); // below the template's size: held at it
    QTRY_COMPARE(w->size(), QSize(726, 635));
    EXPECT_EQ(Geometry(*dlg, IDC_PICTURE), QRect(174, 60, 542, 518));
}

TEST(DialogLayout, ASmallScreenShrinksTheFontAndTheWholeDialog) {
    // 800 × 600: the height limit 500 gives the ratio 500 / 635 and a
    // 6-point (8-pixel) font with base units 5 × 9.
    auto dlg = BuildOn({800, 600, 96, 96});
    EXPECT_EQ(dlg->GetTemplate()->fontPointSize, 6);
    EXPECT_EQ(dlg->GetDialogFont().pixelSize(), 8);
    EXPECT_EQ(dlg->GetBaseUnits(), (app::BaseUnits{5, 9}));
    EXPECT_EQ(dlg->Window()->size(), QSize(605, 476));
    EXPECT_EQ(Geometry(*dlg, IDC_PICTURE), QRect(145, 45, 451, 388));
    EXPECT_EQ(Geometry(*dlg, IDC_CLOSE), QRect(521, 446, 63, 16));
}

} // namespace
