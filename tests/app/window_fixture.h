// The main window under test: built from its scaled template, its
// questions answered by a FakeUi, the settings cleared for each test.
#pragma once

#include "app/loomveil_dlg.h"
#include "app/resource_strings.h"
#include "fake_ui.h"
#include "platform/profile.h"
#include "test_support.h"

#include <QDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace test {

using namespace resources;

// A frame twice as wide as high, and a triangle: two patterns that draw
// differently.
constexpr const char* kFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";
constexpr const char* kTriangle = "#h\nL,0,0\nL,100,0\nL,50,80\nL,0,0\n";

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistryKey(LoadResourceString(IDS_REGISTRY_KEY));
        QSettings("Hollowmere", "loomveil").clear();
    }

    void Create(const CString& commandLineFile = {}) {
        dlg = std::make_unique<CLoomveilDlg>(commandLineFile, nullptr, ui);
        const auto tpl = dlg->LoadScaledTemplate();
        ASSERT_TRUE(tpl);
        dlg->CreateIndirect(*tpl);
    }
    void Show() {
        dlg->ShowWindow(SW_SHOW);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg->Window()));
    }

    QWidget* Item(int id) { return dlg->GetDlgItem(id)->GetSafeHwnd(); }
    bool Enabled(int id) { return Item(id)->isEnabled(); }
    QString Text(int id) { return dlg->GetDlgItem(id)->GetWindowText().Q(); }
    void Click(int id) { QTest::mouseClick(qobject_cast<QPushButton*>(Item(id)), Qt::LeftButton); }

    // What the picture frame shows inside its border.
    QImage Picture() {
        QWidget* frame = Item(IDC_PICTURE);
        return frame->grab(frame->contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QSize FrameClient() {
        CRect rc;
        dlg->GetDlgItem(IDC_PICTURE)->GetClientRect(&rc);
        return QSize(rc.Width(), rc.Height());
    }
    // The file drawn by the document alone at the frame's size.
    QImage Expected(const std::string& path) {
        CLoomveilDoc doc;
        return test::RenderPath(doc, path, FrameClient().width(), FrameClient().height()).image;
    }
    std::string Write(const std::string& name, const char* text) {
        const std::string path = dir.File(name);
        test::WriteFile(path, text);
        return path;
    }
    void OpenByDialog(const std::string& path, int filterIndex = 1) {
        ui->openAnswers.push_back(test::Chose(path, filterIndex));
        Click(IDC_OPEN);
    }

    test::TempDir dir;
    std::shared_ptr<test::FakeUi> ui = std::make_shared<test::FakeUi>();
    std::unique_ptr<CLoomveilDlg> dlg;
};

inline bool AllPixels(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) return false;
    return !image.isNull();
}

} // namespace test
