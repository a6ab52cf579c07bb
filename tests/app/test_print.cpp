#include "app/loomveil_dlg.h"
#include "app/resource_strings.h"
#include "cli/pdf_raster.h"
#include "fake_ui.h"
#include "platform/profile.h"
#include "test_support.h"

#include <QDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
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

} // namespace
