#include "write_helpers.h"
#include "writers/convert.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace test {
namespace {

TEST(ConvertTarget, NameAndFormatFromTheChosenPathAndFilter) {
    const struct {
        const char* chosen;
        int filter;
        const char* path;
        const char* ext;
    } cases[] = {
        {"/q/star", 1, "/q/star.dxf", "dxf"},
        {"/q/star", 6, "/q/star.exp", "exp"},
        // A dot in a folder name does not count.
        {"/q/my.designs/out", 4, "/q/my.designs/out.qli", "qli"},
        // A typed output extension picks its own writer, in any case.
        {"/q/out.plt", 5, "/q/out.plt", "plt"},
        {"/q/OUT.Hqf", 1, "/q/OUT.Hqf", "hqf"},
        // Any other extension stays, and the filter decides.
        {"/q/out.txt", 5, "/q/out.txt", "qcc"},
        {"/q/out.", 2, "/q/out.", "hqf"},
        // No format at all, or no file name.
        {"/q/out", 7, "/q/out", "none"},
        {"/q/", 1, "/q/", "none"},
    };
    for (const auto& c : cases) {
        const auto t = writers::ResolveConvertTarget(CString(c.chosen), c.filter);
        EXPECT_EQ(t.path.Utf8(), c.path) << c.chosen;
        EXPECT_EQ(t.format ? std::string(t.format->Ext()) : "none", c.ext) << c.chosen;
    }
    EXPECT_EQ(writers::SuggestedConvertName(CString("/q/star.qli")).Utf8(), "/q/star");
    EXPECT_EQ(writers::SuggestedConvertName(CString("/q/my.designs/star")).Utf8(), "");
}

TEST(ConvertFile, WritesTheChosenFileAndKeepsTheOpenedOne) {
    TempDir dir;
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(dir.File("star.qli")));
    for (_tagREALPT p : {_tagREALPT{0, 0}, {4, 0}, {4, 2}}) doc.m_PointList.AddTail(p);
    ASSERT_TRUE(doc.ConvertFile(CString(dir.File("star")), 3)) << doc.m_strError;
    EXPECT_EQ(ReadFile(dir.File("star.plt")).substr(0, 4), "IN;\r");
    // A failed conversion says why; either way the opened file stays current.
    EXPECT_FALSE(doc.ConvertFile(CString(dir.File("none/x.dxf")), 1));
    EXPECT_EQ(doc.m_strError, std::strerror(ENOENT));
    EXPECT_EQ(doc.m_strFilePath.Utf8(), dir.File("star.qli"));
    EXPECT_EQ(doc.m_strFileExt.Utf8(), "qli");
    EXPECT_FALSE(doc.ConvertFile(CString(dir.File("x")), 0));
    EXPECT_EQ(Entries(dir.path()), 1u);
}

} // namespace
} // namespace test
