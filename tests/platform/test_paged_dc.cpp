#include "platform/dc.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <gtest/gtest.h>

namespace {

// A PDF writer into memory, printable to its edges.
struct PdfPage {
    QBuffer buffer;
    QPdfWriter writer{&buffer};
    PdfPage() {
        buffer.open(QIODevice::WriteOnly);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    }
    int Pages() const { return static_cast<int>(buffer.data().count("/Type /Page\n")); }
};

TEST(PagedDc, NamesTheJobBeforeOpeningAndReportsThePrintableArea) {
    PdfPage pdf;
    std::vector<QString> names;
    bool aborted = false;
    CDC dc;
    dc.AttachPagedDevice(&pdf.writer,
                         {[&](const QString& n) { names.push_back(n); }, [&] { aborted = true; }});
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 600);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 5100); // 8.5 in
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 6600); // 11 in
    EXPECT_LE(dc.StartPage(), 0);               // no document yet

    ASSERT_GT(dc.StartDoc("star"), 0);
    EXPECT_EQ(names, std::vector<QString>{"star"});
    EXPECT_LE(dc.StartDoc("again"), 0);
    ASSERT_GT(dc.StartPage(), 0);
    dc.MoveTo(0, 0);
    dc.LineTo(100, 100);
    EXPECT_GT(dc.EndPage(), 0);
    ASSERT_GT(dc.StartPage(), 0); // a second sheet
    EXPECT_GT(dc.EndPage(), 0);
    EXPECT_GT(dc.EndDoc(), 0);
    EXPECT_LE(dc.EndDoc(), 0);
    dc.DeleteDC();
    EXPECT_FALSE(aborted);
    EXPECT_EQ(pdf.Pages(), 2);
}

TEST(PagedDc, DeletingAStartedJobAbandonsIt) {
    PdfPage pdf;
    int aborts = 0;
    {
        CDC dc;
        dc.AttachPagedDevice(&pdf.writer, {{}, [&] { ++aborts; }});
        ASSERT_GT(dc.StartDoc("x"), 0);
        ASSERT_GT(dc.StartPage(), 0);
    }
    EXPECT_EQ(aborts, 1);
}

} // namespace
