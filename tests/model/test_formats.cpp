#include "model/formats.h"
#include "test_support.h"

#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::span<const unsigned char> Head(std::string_view s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

std::string Chosen(std::string_view ext, std::string_view head) {
    const FileFormat* f = ChooseReader(ext, Head(head));
    return f ? std::string(f->name) : "none";
}

TEST(FormatTable, DialogListsKeepTheirFirstReleaseEntriesAndOrder) {
    // A remembered filter index must keep naming the same entry, so the
    // first entries stay as they were; formats added since come after.
    const QStringList open = QString::fromStdString(OpenFileFilter()).split('|');
    ASSERT_GE(open.size(), 31);
    EXPECT_TRUE(open[0].startsWith("All Cad and Quilt Files (*.4qb;*.cmd;*.cqp;*.cdr;*.dxf;*.hqf;*.hqv;*.iqp;"
                                   "*.qcc;*.qli;*.pat;*.plt;*.ssd;*.txt"));
    EXPECT_TRUE(open[1].startsWith(
        "*4qb;*.cmd;*cqp;*.cdr;*.dxf;*.hqf;*.hqv;*.iqp;*.qcc;*.qli;*pat;*.plt;*.ssd;*.txt"));
    const QString first =
        "CQP (*.cqp)|*.cqp|4QB (AutoBOT *.4qb)|*.4qb|CMD (*.cmd)|*.cmd|DXF (AutoCad *.dxf)|*.dxf|"
        "CDR (CorelDraw *.cdr)|*.cdr|HQF (HandiQuilter *.hqf)|*.hqf|HQV (HandiQuilter *.hqv)|*.hqv|"
        "PLT (AutoCad *.plt)|*.plt|IQP (Intelliquilter *.iqp)|*.iqp|QCC (Quilt Magician *.qcc)|"
        "*.qcc|QLI (Statler Stitcher *.qli)|*.qli|PAT (ABM AutoPilot *.pat)|*.pat|"
        "SSD (Side Saddle *.ssd)|*.ssd|TXT (PCQuilter *.txt)|*.txt";
    for (int i = 0; i < 28; ++i) EXPECT_TRUE(open[2 + i].startsWith(first.split('|')[i])) << i;
    EXPECT_TRUE(QString::fromStdString(OpenFileFilter()).endsWith("||"));
    // Every extension read is offered by the first entry.
    for (const FileFormat& f : FileFormats()) {
        for (std::string_view ext : f.exts) {
            if (!f.Reads() || ext.empty()) continue;
            const QString e = QString::fromUtf8(ext.data(), static_cast<qsizetype>(ext.size()));
            EXPECT_TRUE(open[1].split(';').contains("*." + e) || open[1].split(';').contains("*" + e)) << ext;
        }
    }

    EXPECT_TRUE(
        QString::fromStdString(ConvertFileFilter())
            .startsWith("DXF (AutoCad *.dxf)|*.dxf|HQF (HandiQuilter *.hqf)|*.hqf|PLT (AutoCad *.plt)|*.plt|"
                        "QLI (Statler Stitcher *.qli)|*.qli|QCC (Quilt Magician *.qcc)|*.qcc|"
                        "MELCO EMB (*.exp)|*.exp|"));
}

TEST(FormatTable, TheExtensionDecidesUnlessTheContentShowsAnotherFormat) {
    EXPECT_EQ(Chosen("qli", "QCT\n"), "QLI");
    EXPECT_EQ(Chosen("qli", "%4qb%"), "QLI"); // no test of its own: the name decides
    EXPECT_EQ(Chosen("iqp", "StitchV2"), "IQP");
    EXPECT_EQ(Chosen("iqp", "%4qb%\x10"), "4QB");
    EXPECT_EQ(Chosen("iqp", "neither"), "IQP"); // its reader says what is wrong
    EXPECT_EQ(Chosen("", "  0\r\nSECTION\r\n"), "DXF");
    EXPECT_EQ(Chosen("bak", "999\ncomment\n0\nSECTION\n"), "DXF");
    EXPECT_EQ(Chosen("dxf", "\n\n  0\nSECTION"), "DXF");
    EXPECT_EQ(Chosen("cdr", "RIFF\x10\0\0\0CDRA"), "CDR preview");
    EXPECT_EQ(Chosen("", "nothing known"), "none");
    EXPECT_EQ(Chosen("exp", "LA:x"), "Melco EXP"); // EXP has no signature to contradict its name
    EXPECT_EQ(Chosen("dst", "%4qb%"), "4QB");
    EXPECT_EQ(Chosen("", "\x01\x02"), "none");
}

TEST(RenderBitmap, AFileWithNothingToDrawIsNotASuccess) {
    // The reader takes each file (its own result stays 1), but nothing in it
    // can be drawn: the render fails and says why.
    test::TempDir dir;
    CLoomveilDoc doc;
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"notes.qli", "just some words\n", "no stitch data found"},
        {"binary.cmd", std::string("\xA7\xE5\x00\x01\x00\x01", 6), "binary data in a text format"},
        {"empty.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", "nothing to draw in the drawing"},
    };
    for (const auto& c : cases) {
        test::WriteFile(dir.File(c.name), c.bytes);
        EXPECT_EQ(test::RenderPath(doc, dir.File(c.name)).result, 0) << c.name;
        EXPECT_EQ(doc.m_strError, c.reason) << c.name;
    }
    std::filesystem::create_directory(dir.File("folder.qli"));
    EXPECT_EQ(test::RenderPath(doc, dir.File("folder.qli")).result, 0);
    EXPECT_EQ(doc.m_strError, "is a directory");
}

} // namespace
