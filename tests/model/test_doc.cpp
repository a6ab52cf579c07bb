#include "model/loomveil_doc.h"
#include "test_support.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(ReadWholeFile, ReturnsSizePlusOneWithTheTextTerminated) {
    test::TempDir dir;
    CLoomveilDoc doc;
    test::WriteFile(dir.File("ten.bin"), "0123456789");
    doc.SetCurrentFile(CString(dir.File("ten.bin")));
    FileBuffer buf;
    EXPECT_EQ(doc.ReadWholeFile(buf), 11);
    EXPECT_EQ(buf.text(), "0123456789");
    EXPECT_EQ(buf.data()[10], '\0');

    test::WriteFile(dir.File("empty.bin"), "");
    doc.SetCurrentFile(CString(dir.File("empty.bin")));
    EXPECT_EQ(doc.ReadWholeFile(buf), 0);
    EXPECT_EQ(doc.m_strError, "empty file");

    doc.SetCurrentFile(CString(dir.File("nothing.bin")));
    EXPECT_EQ(doc.ReadWholeFile(buf), 0);
    EXPECT_EQ(doc.m_strError, std::strerror(ENOENT));
}

TEST(CurrentFile, ExtensionIsTheLowerCaseTextAfterTheNamesLastDot) {
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString("/q/my.designs/Star.Pattern.QLI"));
    EXPECT_EQ(doc.m_strFileExt.Utf8(), "qli");
    EXPECT_EQ(doc.m_strFileName.Utf8(), "Star.Pattern.QLI");
    EXPECT_EQ(doc.m_strFilePath.Utf8(), "/q/my.designs/Star.Pattern.QLI");
    doc.SetCurrentFile(CString("/q/my.designs/noext"));
    EXPECT_EQ(doc.m_strFileExt.Utf8(), "");
    EXPECT_TRUE(IsFileExt(CString("qli"), "qli"));
    EXPECT_FALSE(IsFileExt(CString("QLI"), "qli"));
    EXPECT_FALSE(IsFileExt(CString("qlix"), "qli"));
}

TEST(RenderBitmap, UnknownExtensionFailsWithAWhitePictureAndAnEmptyModel) {
    CLoomveilDoc doc;
    doc.m_PointList.AddTail(_tagREALPT{1, 2});
    const auto r = test::RenderText("xyz", "anything");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(test::CountNonWhite(r.image), 0);
    EXPECT_TRUE(r.points.empty());

    test::TempDir dir;
    test::WriteFile(dir.File("a.xyz"), "x");
    test::RenderPath(doc, dir.File("a.xyz"));
    EXPECT_EQ(doc.m_PointList.GetCount(), 0);
    EXPECT_NE(doc.m_strError.find("xyz"), std::string::npos);
}

TEST(Truncation, TowardZeroAndSafeOutOfRange) {
    EXPECT_EQ(TruncToInt(2.99f), 2);
    EXPECT_EQ(TruncToInt(-2.99f), -2);
    EXPECT_EQ(TruncToInt(NAN), INT_MIN);
    EXPECT_EQ(TruncToInt(3e9f), INT_MIN);
    EXPECT_EQ(TruncToInt(-3e9), INT_MIN);
    EXPECT_EQ(TruncToInt(2147483000.0), 2147483000);
}

} // namespace
