// Rules that hold for every reader, or for every line format, checked per
// extension.
#include "readers/reader_test.h"

namespace test {

// Bytes that are no pattern at all.
static std::string Garbage(std::size_t n, unsigned seed) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>((i * 7919 + seed * 104729) % 251);
    return s;
}

TEST(AllReaders, FilesWithNothingToReadFailAndHostileBytesEndCleanly) {
    // Garbage is taken by the readers whose unknown lines are skipped, and
    // refused where a file is checked (QCC's header once given); either way
    // the render refuses it, since nothing in it can be drawn.
    const std::pair<std::string, bool> cases[] = {
        {"qli", true},  {"hqv", true},  {"plt", false}, {"cqp", true},  {"pat", true},
        {"ssd", true},  {"hqf", true},  {"cmd", true},  {"txt", false}, {"iqp", false},
        {"4qb", false}, {"cdr", false}, {"qcc", true}};
    for (const auto& [ext, taken] : cases) {
        CLoomveilDoc doc;
        TempDir dir;
        EXPECT_EQ(RenderPath(doc, dir.File("gone." + ext)).result, 0) << ext;
        EXPECT_FALSE(doc.m_strError.empty()) << ext;
        EXPECT_EQ(Refusal(ext, ""), "empty file");
        const std::string bytes =
            (ext == "qcc" ? "c s\n" : "") + Garbage(5000, static_cast<unsigned>(ext[1]));
        EXPECT_EQ(RenderText(ext, bytes, 200, 200, Via::reader).result, taken ? 1 : 0) << ext;
        EXPECT_FALSE(Refusal(ext, bytes).empty()) << ext;
    }
}

TEST(LineReaders, AnEmptyLineEndsTheDataAndTheLastLineNeedsALineFeed) {
    // Lines that must come first, and one line that adds to the model.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"qcc", "c s\n", "p X1 Y1"}, {"pat", "", "N1G1X1Y1"},
        {"ssd", "", "1 1"},          {"hqf", "", "1 1 2 2"},
        {"cmd", "", "X1 Y1"},        {"txt", "1 1\n2 2\n3 3\n4 4\n", "5 5"}}; // 3 in 4 lines must be points
    for (const auto& [ext, before, line] : cases) {
        SCOPED_TRACE(ext);
        const std::string once = Text(Read(ext, before + line + "\n"));
        ASSERT_FALSE(once.empty());
        for (const std::string& more : {"\n" + line + "\n", line, std::string(1, '\0') + line + "\n"})
            EXPECT_EQ(Text(Read(ext, before + line + "\n" + more)), once);
    }
}

} // namespace test
