#include "app/loomveil_dlg.h"
#include "app/resource_strings.h"
#include "cli/pdf_raster.h"
#include "fake_ui.h"
#include "platform/profile.h"
#include "test_support.h"

#include <QAction>
#include <QDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace resources;

constexpr int kDpi = 100; // of the rasterised page
constexpr double kA4W = 210 / 25.4;
constexpr const char* kWideFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";

class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistryKey(LoadResourceString(IDS_REGISTRY_KEY));
        // The print dialog's answer: a PDF file on A4.
        ui->printer = [this](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(QString::fromStdString(pdf));
            p.setPageSize(QPageSize(QPageSize::A4));
            return true;
        };
    }
    void Create(const CString& commandLineFile = {}) {
        dlg = std::make_unique<CLoomveilDlg>(commandLineFile, nullptr, ui);
        dlg->CreateIndirect(*dlg->LoadScaledTemplate());
        dlg->ShowWindow(SW_SHOW);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg->Window()));
    }
    void Click(int id) {
        QTest::mouseClick(qobject_cast<QPushButton*>(dlg->GetDlgItem(id)->GetSafeHwnd()), Qt::LeftButton);
    }
    std::string Write(const std::string& name, const char* text) {
        const std::string path = dir.File(name);
        test::WriteFile(path, text);
        return path;
    }

    test::TempDir dir;
    std::string pdf = dir.File("page.pdf");
    std::shared_ptr<test::FakeUi> ui = std::make_shared<test::FakeUi>();
    std::unique_ptr<CLoomveilDlg> dlg;
};

TEST_F(Printing, PrintsTheFileOnOnePageBelowItsName) {
    Create();
    ui->openAnswers.push_back(test::Chose(Write("star.qli", kWideFrame)));
    Click(IDC_OPEN);
    ASSERT_TRUE(dlg->GetDlgItem(IDC_PRINT)->IsWindowEnabled());
    const QImage screen = dlg->m_bmpRender.Image();
    const auto points = dlg->m_PointList.GetCount();
    ASSERT_GT(points, 0);
    dlg->m_PointList.RemoveAll();

    Click(IDC_PRINT);
    ASSERT_EQ(ui->printFlags, std::vector<DWORD>{0x14000C});
    auto info = test::PdfInfo(pdf);
    EXPECT_EQ(info["Pages"], "1");
    EXPECT_EQ(info["Title"], "star");
    EXPECT_EQ(info["Page size"], "595 x 842 pts (A4)");

    // The same page as loomveil-cli print's (whose tests pin its geometry).
    const test::PrintedPage page = test::ReadPrintedPage(pdf, kDpi);
    EXPECT_NEAR(page.header.center().x(), kA4W * kDpi / 2, 2);
    EXPECT_NEAR(page.pattern.width(), (kA4W - 2) * kDpi / 1.02, 3);
    EXPECT_GT(page.pattern.top(), page.header.bottom());

    // The file was read again for the page; the screen keeps its picture,
    // and the window takes input again.
    EXPECT_EQ(dlg->m_PointList.GetCount(), points);
    EXPECT_EQ(dlg->m_bmpRender.Image(), screen);
    EXPECT_EQ(dlg->m_ptPrintOrigin, CPoint(0, 0));
    EXPECT_TRUE(dlg->IsWindowEnabled());

    // A cancelled dialog prints nothing.
    std::filesystem::remove(pdf);
    ui->printer = nullptr;
    Click(IDC_PRINT);
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_TRUE(dlg->IsWindowEnabled());
}

// A w × h inch rectangle in HPGL, whose unit (0.025 mm) is known.
std::string PltRectangle(int wIn, int hIn) {
    const int w = wIn * 1016, h = hIn * 1016;
    return "IN;PU0,0;PD" + std::to_string(w) + ",0," + std::to_string(w) + "," + std::to_string(h) + ",0," +
           std::to_string(h) + ",0,0;";
}

// The length of the longest run of dark pixels along a row of image that
// starts a square: a column as long runs down from its left end.
int SquareSide(const QImage& image, int minSide, int maxSide) {
    auto dark = [&](int x, int y) { return image.rect().contains(x, y) && qGray(image.pixel(x, y)) < 100; };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!dark(x, y) || dark(x - 1, y) || dark(x, y - 1)) continue;
            int across = 0, down = 0;
            while (dark(x + across, y)) ++across;
            while (dark(x, y + down)) ++down;
            if (across >= minSide && across <= maxSide && std::abs(across - down) <= 1) return across;
        }
    }
    return 0;
}

TEST_F(Printing, TrueSizeTilesThePatternOverSheetsThatMeasureRight) {
    Create();
    ui->openAnswers.push_back(test::Chose(Write("panto.plt", PltRectangle(18, 15).c_str())));
    Click(IDC_OPEN);

    // The preview's own toolbar switches to true size: a cover sheet, then
    // 3 × 2 tiles of an 18 × 15 inch pattern on Letter paper.
    int fitted = 0, tiled = 0;
    ui->preview = [&](QPrintPreviewDialog& d) {
        d.printer()->setPageSize(QPageSize(QPageSize::Letter));
        auto* widget = d.findChild<QPrintPreviewWidget*>();
        ASSERT_TRUE(widget);
        widget->updatePreview();
        fitted = widget->pageCount();
        for (QAction* a : d.findChild<QToolBar*>()->actions())
            if (a->text() == "True size") a->setChecked(true);
        tiled = widget->pageCount();
    };
    dlg->OnPrintPreview();
    EXPECT_EQ(fitted, 1);
    EXPECT_EQ(tiled, 7);

    // Printed to PDF (A4): the cover's check square is one inch, and a
    // pattern that fits one sheet is printed at its own size.
    ui->printTrueSize = true;
    Click(IDC_PRINT);
    ASSERT_TRUE(ui->printOffers.back().trueSizeAvailable);
    EXPECT_EQ(test::PdfInfo(pdf)["Pages"], "7");
    EXPECT_NEAR(SquareSide(test::RasterisePdf(pdf, kDpi, 1), 90, 110), kDpi, 1);
    EXPECT_NEAR(SquareSide(test::RasterisePdf(pdf, 254, 1), 190, 210), 200, 1); // 2 cm at 254 dpi

    ui->openAnswers.push_back(test::Chose(Write("motif.plt", PltRectangle(5, 3).c_str())));
    Click(IDC_OPEN);
    Click(IDC_PRINT);
    EXPECT_EQ(test::PdfInfo(pdf)["Pages"], "2");
    const QRect motif = test::InkBox(test::RasterisePdf(pdf, kDpi, 2), QRect(0, kDpi, 9 * kDpi, 10 * kDpi));
    EXPECT_NEAR(motif.width(), 5 * kDpi, 2);
    EXPECT_NEAR(motif.height(), 3 * kDpi, 2);

    // A pattern without a unit is offered the fitted page alone.
    ui->openAnswers.push_back(test::Chose(Write("frame.cqp", "PU\nM0,0\nD200,0\nD200,100\nD0,100\nD0,0\n")));
    Click(IDC_OPEN);
    ui->printTrueSize = false;
    Click(IDC_PRINT);
    EXPECT_FALSE(ui->printOffers.back().trueSizeAvailable);
    EXPECT_FALSE(ui->printOffers.back().trueSizeWhy.isEmpty());
}

} // namespace
