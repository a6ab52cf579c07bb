#include "zip/zip_builder.h"
#include "zip/zip_list_ctrl.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace test {
namespace {

const BYTE* Bytes(const std::string& s) {
    return reinterpret_cast<const BYTE*>(s.data());
}

// Compressible but not trivial: words from a small vocabulary.
std::string SampleText(std::size_t n) {
    static const char* words[] = {"stitch ", "quilt ", "loop ", "feather ", "meander ", "\n"};
    std::mt19937 rng(7);
    std::string s;
    while (s.size() < n) s += words[rng() % 6];
    return s.substr(0, n);
}

struct Extracted {
    int result = 0;
    std::string data; // the memory file's contents
    bool hasBuffer = false;
};

Extracted Extract(const std::string& archive, const std::string& name) {
    CMemFile out(1024);
    Extracted e;
    e.result = ExtractZipMember(CString(name), &out, Bytes(archive), static_cast<UINT>(archive.size()));
    e.hasBuffer = out.GetBuffer() != nullptr;
    if (e.hasBuffer) e.data.assign(reinterpret_cast<const char*>(out.GetBuffer()), out.GetLength());
    return e;
}

// bytes with the little-endian field of width 2 or 4 at `at` set to v.
std::string With(std::string bytes, std::size_t at, std::uint32_t v, int width = 4) {
    if (width == 2)
        Put16(bytes, at, static_cast<std::uint16_t>(v));
    else
        Put32(bytes, at, v);
    return bytes;
}

TEST(ZipReader, StoredAndDeflatedMembersBehindAPrefix) {
    // Larger than one 16 KiB input chunk, so the input is refilled; the bytes
    // before the archive move every offset; a trailing NUL changes nothing. A
    // member of unknown size is decoded in steps.
    const std::string text = SampleText(100000);
    const BuiltZip z = BuildZip({{"a/stored.txt", text, 0},
                                 {"a/deflated.txt", text, 8},
                                 {"empty", "", 8},
                                 {"unknown", text, 8, 0, "", true}},
                                "", std::string(100, '\1'));
    ASSERT_LT(z.bytes.size(), 2 * text.size());
    for (const std::string& bytes : {z.bytes, z.bytes + '\0'}) {
        EXPECT_EQ(Extract(bytes, "a/stored.txt").data, text);
        EXPECT_EQ(Extract(bytes, "a/deflated.txt").data, text);
        EXPECT_EQ(Extract(bytes, "unknown").data, text);
        const Extracted empty = Extract(bytes, "empty");
        EXPECT_EQ(empty.result, 1);
        EXPECT_TRUE(empty.hasBuffer && empty.data.empty());
        EXPECT_EQ(Extract(bytes, "a/missing.txt").result, 0);
    }
}

TEST(ZipReader, LookupFoldsOnlyAsciiLettersAndComparesTheWholeName) {
    const std::string name255(255, 'n'), name256(256, 'n');
    // The first entry equal under folding wins; '\\' is not '/'; the path
    // counts; only a to z are folded ('{' is not '['); names of 256 bytes
    // never match.
    // clang-format off
    const BuiltZip z = BuildZip({{"previews\\thumbnail.png", "backslash", 0}, {"thumbnail.png", "bare", 0},
        {"Previews/Thumbnail.PNG", "first", 0}, {"previews/thumbnail.png", "second", 0},
        {"caf\xC3\xA9.txt", "accent", 0}, {"{x}", "braces", 0}, {name256, "long", 0}, {name255, "fits", 0},
        {std::string(251, 'd') + "/file", "long path", 0}, {std::string(250, 'd') + "/file", "path", 0}});
    const std::pair<std::string, std::string> lookups[] = {{"previews/thumbnail.png", "first"},
        {"PREVIEWS/THUMBNAIL.png", "first"}, {"Thumbnail.png", "bare"}, {"previews/thumbnail.pn", ""},
        {"CAF\xC3\xA9.TXT", "accent"}, {"CAF\xC3\x89.TXT", ""}, {"[X]", ""}, {name255, "fits"}, {name256, ""}};
    // clang-format on
    for (const auto& [name, want] : lookups) {
        const Extracted e = Extract(z.bytes, name);
        EXPECT_EQ(e.result, want.empty() ? 0 : 1) << name;
        EXPECT_EQ(e.data, want) << name;
    }
    EXPECT_EQ(Extract(BuildZip({{name256, "long", 0}}).bytes, name255).result, 0);

    auto handle = ZipOpenMemory(Bytes(z.bytes), static_cast<UINT>(z.bytes.size()));
    ASSERT_TRUE(handle);
    int index = 99;
    ZipEntryInfo entry;
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("previews/thumbnail.png"), FALSE, &index, &entry, FALSE),
              kZipOk);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(entry.index, 3);
    EXPECT_EQ(entry.uncompressedSize, 6u);
    EXPECT_EQ(entry.name, CString("previews/thumbnail.png"));
    // With the path ignored, the first entry whose last part matches wins,
    // but a stored name of 256 bytes is still never compared.
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("THUMBNAIL.png"), TRUE, &index, &entry, TRUE), kZipOk);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("file"), TRUE, &index, &entry, TRUE), kZipOk);
    EXPECT_EQ(entry.name.Utf8(), std::string(250, 'd') + "/file");
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("nothing"), TRUE, &index, &entry, FALSE),
              kZipEntryNotFound);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(entry.index, -1);
    // A wanted name of 256 characters, or of more than 259 bytes, is refused.
    std::string accents;
    for (int i = 0; i < 129; ++i) accents += "\xC3\xA9";
    for (const auto& [name, r] : {std::pair{name255, kZipOk},
                                  {name256, kZipBadArguments},
                                  {accents, kZipEntryNotFound},
                                  {accents + "\xC3\xA9", kZipBadArguments}})
        EXPECT_EQ(ZipLocateEntry(handle.get(), CString(name), TRUE, &index, &entry, FALSE), r) << name.size();
}

TEST(ZipReader, ArchivesThatDoNotOpen) {
    // Large enough that the search needs more than two windows.
    const std::vector<ZipMember> members = {{"m", std::string(3000, 'm'), 0}};
    const BuiltZip z = BuildZip(members);
    auto opens = [](const std::string& b) {
        return ZipOpenMemory(Bytes(b), static_cast<UINT>(b.size())) != nullptr;
    };
    EXPECT_TRUE(opens(z.bytes));
    // The end record is looked for backwards in windows that step by 1024
    // and overlap by 4, and may start at most 65535 bytes before the end.
    for (std::size_t n = 1000; n < 1040; ++n)
        EXPECT_TRUE(opens(BuildZip(members, std::string(n, 'c')).bytes)) << n;
    EXPECT_TRUE(opens(BuildZip(members, std::string(65513, 'c')).bytes));
    // Refused: the end record too far back or at 0, cut short, other disks,
    // entry counts that differ, a directory that would end past the record.
    // clang-format off
    const std::string refused[] = {BuildZip(members, std::string(65514, 'c')).bytes, BuildZip({}).bytes,
        "PK\x05\x06", "", z.bytes.substr(0, z.bytes.size() - 4), With(z.bytes, z.end + 4, 1, 2),
        With(z.bytes, z.end + 6, 1, 2), With(z.bytes, z.end + 8, 2, 2), With(z.bytes, z.end + 16, 0xFFFFFF00u),
        With(z.bytes, z.end + 12, static_cast<std::uint32_t>(z.end + 1))};
    // clang-format on
    for (const std::string& bytes : refused) EXPECT_FALSE(opens(bytes)) << &bytes - refused;
}

TEST(ZipReader, TheLocalHeaderMustAgreeWithTheCentralOne) {
    const BuiltZip z = BuildZip({{"m", "member", 0}});
    const std::size_t at = z.local[0];
    // Signature, method, CRC, sizes and name length must agree and the
    // extra field be there; version and time are not compared. Method 12 in
    // both headers is not one we decode.
    // clang-format off
    const std::pair<std::string, int> cases[] = {{z.bytes, 1}, {With(z.bytes, at, 0x04034B51), 0},
        {With(z.bytes, at + 8, 8, 2), 0}, {With(z.bytes, at + 14, 1), 0}, {With(z.bytes, at + 18, 5), 0},
        {With(z.bytes, at + 22, 5), 0}, {With(z.bytes, at + 26, 2, 2), 0}, {With(z.bytes, at + 28, 0xFFFF, 2), 0},
        {With(z.bytes, at + 4, 99, 2), 1}, {With(z.bytes, at + 10, 0x12345678), 1},
        {With(With(z.bytes, at + 8, 12, 2), z.central[0] + 10, 12, 2), 0}};
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Extract(cases[i].first, "m").result, cases[i].second) << i;

    // With flag bit 3 the sizes and CRC live in a descriptor after the data.
    BuiltZip described = BuildZip({{"m", "member", 0, 0x0008}});
    for (std::size_t field : {14, 18, 22}) Put32(described.bytes, described.local[0] + field, 0);
    EXPECT_EQ(Extract(described.bytes, "m").data, "member");
    // A local extra field is stepped over.
    EXPECT_EQ(Extract(BuildZip({{"m", "member", 8, 0, std::string(37, 'e')}}).bytes, "m").data, "member");
}

TEST(ZipReader, TheDirectoryWalkEndsAtABrokenHeaderOrTheStatedCount) {
    const BuiltZip z = BuildZip({{"a", "first", 0}, {"b", "second", 0}, {"c", "third", 0}});
    const std::string broken = With(z.bytes, z.central[1], 0x02014B51);
    EXPECT_EQ(Extract(broken, "a").data, "first");
    EXPECT_EQ(Extract(broken, "c").result, 0);
    const std::string counted = With(With(z.bytes, z.end + 8, 1, 2), z.end + 10, 1, 2);
    EXPECT_EQ(Extract(counted, "a").data, "first");
    auto handle = ZipOpenMemory(Bytes(counted), static_cast<UINT>(counted.size()));
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("b"), TRUE, nullptr, nullptr, FALSE), kZipEntryNotFound);
}

TEST(ZipReader, OffsetsAndLengthsPastTheBufferReadNothingThere) {
    const std::string text = SampleText(3000);
    const BuiltZip z = BuildZip({{"m", text, 8}});
    EXPECT_EQ(Extract(With(z.bytes, z.central[0] + 42, 0x7FFFFFF0u), "m").result, 0); // local header
    EXPECT_EQ(Extract(With(z.bytes, z.central[0] + 28, 0xFFFF, 2), "m").result, 0);   // name
    // Compressed data declared longer than the buffer: found, the read fails
    // and the buffer of the declared size comes back zeroed.
    const Extracted e =
        Extract(With(With(z.bytes, z.local[0] + 18, 0xFFFFFF), z.central[0] + 20, 0xFFFFFF), "m");
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.data, std::string(text.size(), '\0'));
}

TEST(ZipReader, ADamagedDeflateStreamKeepsTheDecodedPrefixAndZeroesTheRest) {
    const std::string text = SampleText(60000);
    const BuiltZip z = BuildZip({{"m", text, 8}});
    const std::size_t dataAt = z.local[0] + 30 + 1, compressed = z.central[0] - dataAt;
    std::string garbled = z.bytes;
    garbled.replace(dataAt + compressed / 2, 64, 64, '\xFF');
    const auto cut = static_cast<std::uint32_t>(compressed / 3);
    for (const std::string& bytes :
         {garbled, With(With(z.bytes, z.local[0] + 18, cut), z.central[0] + 20, cut)}) {
        const Extracted e = Extract(bytes, "m");
        EXPECT_EQ(e.result, 1);
        ASSERT_EQ(e.data.size(), text.size());
        const std::size_t same = std::mismatch(text.begin(), text.end(), e.data.begin()).first - text.begin();
        EXPECT_GT(same, 1000u);
        EXPECT_LT(same, text.size());
        // Cut short, the rest is zero; garbled, it may hold what the damage decoded to.
        EXPECT_TRUE(bytes == garbled || e.data.find_first_not_of('\0', same) == std::string::npos);
    }
}

TEST(ZipReader, DeclaredSizesPastWhatTheArchiveCouldHoldAreRefused) {
    // A few hundred bytes cannot inflate to 4 GiB: found, nothing allocated.
    const BuiltZip bomb = BuildZip({{"m", std::string(1000, 'z'), 8}});
    const Extracted e = Extract(
        With(With(bomb.bytes, bomb.local[0] + 22, 0xF0000000u), bomb.central[0] + 24, 0xF0000000u), "m");
    EXPECT_EQ(e.result, 1);
    EXPECT_FALSE(e.hasBuffer);
    // A genuine extreme ratio stays within the bound.
    const std::string zeros(8u << 20, '\0');
    const BuiltZip dense = BuildZip({{"m", zeros, 8}});
    EXPECT_LT(dense.bytes.size(), 10000u);
    EXPECT_EQ(Extract(dense.bytes, "m").data, zeros);
}

TEST(ZipReader, ExtractToBufferDeliversInPiecesAndReportsEachState) {
    const std::string text = SampleText(50000);
    const BuiltZip z = BuildZip({{"a", text, 8}, {"b", "bee", 0}});
    auto handle = ZipOpenMemory(Bytes(z.bytes), static_cast<UINT>(z.bytes.size()));
    ASSERT_TRUE(handle);
    std::string got;
    char piece[7000];
    ZipResult r = kZipMoreData;
    for (int calls = 0; r == kZipMoreData && calls < 100; ++calls) {
        UINT len = sizeof piece;
        if ((r = ZipExtractToBuffer(handle.get(), 0, piece, &len)) == kZipMoreData) got.append(piece, len);
    }
    EXPECT_EQ(r, kZipOk);
    EXPECT_EQ(got, text);
    // Switching members mid-way starts the other one from its beginning.
    UINT len = 10;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 0, piece, &len), kZipMoreData);
    len = sizeof piece;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 1, piece, &len), kZipMoreData);
    EXPECT_EQ(std::string(piece, len), "bee");
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 1, piece, &len), kZipOk);
    for (int bad : {2, -1}) EXPECT_EQ(ZipExtractToBuffer(handle.get(), bad, piece, &len), kZipBadArguments);
    EXPECT_EQ(ZipExtractToBuffer(nullptr, 0, piece, &len), kZipBadArguments);

    // Entry -1 holds the entry count; entries can be read backwards.
    ZipEntryInfo entry;
    EXPECT_EQ(ZipGetEntry(*handle->archive, -1, &entry), kZipOk);
    EXPECT_EQ(entry.index, 2);
    EXPECT_EQ(ZipGetEntry(*handle->archive, 1, &entry), kZipOk);
    EXPECT_EQ(entry.name, CString("b"));
    EXPECT_EQ(ZipGetEntry(*handle->archive, 0, &entry), kZipOk);
    EXPECT_EQ(entry.uncompressedSize, text.size());
    for (int bad : {2, -2}) EXPECT_EQ(ZipGetEntry(*handle->archive, bad, &entry), kZipBadArguments);
    EXPECT_EQ(ZipClose(handle), kZipOk);
    EXPECT_EQ(ZipClose(handle), kZipBadArguments);
}

} // namespace
} // namespace test
