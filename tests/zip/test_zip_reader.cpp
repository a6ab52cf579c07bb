#include "zip/zip_builder.h"
#include "zip/zip_list_ctrl.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using test::BuildZip;
using test::BuiltZip;
using test::Put16;
using test::Put32;
using test::ZipMember;

const BYTE* Bytes(const std::string& s) {
    return reinterpret_cast<const BYTE*>(s.data());
}
UINT Size(const std::string& s) {
    return static_cast<UINT>(s.size());
}

// Compressible but not trivial: words from a small vocabulary.
std::string SampleText(std::size_t n, unsigned seed = 7) {
    static const char* words[] = {"stitch ", "quilt ", "loop ", "feather ", "meander ", "\n"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) s += words[rng() % 6];
    s.resize(n);
    return s;
}

struct Extracted {
    int result = 0;
    std::string data; // the memory file's contents
    bool hasBuffer = false;
};

Extracted Extract(const std::string& archive, const char* name) {
    CMemFile out(1024);
    Extracted e;
    e.result = ExtractZipMember(CString(name), &out, Bytes(archive), Size(archive));
    e.hasBuffer = out.GetBuffer() != nullptr;
    if (out.GetBuffer())
        e.data.assign(reinterpret_cast<const char*>(out.GetBuffer()),
                      static_cast<std::size_t>(out.GetLength()));
    return e;
}

TEST(ZipReader, StoredAndDeflatedMembersExtractToTheSameBytes) {
    // Larger than one 16 KiB input chunk, so the input is refilled.
    const std::string text = SampleText(100000);
    const BuiltZip z = BuildZip({{"a/stored.txt", text, 0}, {"a/deflated.txt", text, 8}, {"empty", "", 8}});
    ASSERT_LT(z.bytes.size(), 2 * text.size());

    const Extracted stored = Extract(z.bytes, "a/stored.txt");
    const Extracted deflated = Extract(z.bytes, "a/deflated.txt");
    EXPECT_EQ(stored.result, 1);
    EXPECT_EQ(deflated.result, 1);
    EXPECT_EQ(stored.data, text);
    EXPECT_EQ(deflated.data, text);

    const Extracted empty = Extract(z.bytes, "empty");
    EXPECT_EQ(empty.result, 1);
    EXPECT_TRUE(empty.hasBuffer);
    EXPECT_TRUE(empty.data.empty());

    EXPECT_EQ(Extract(z.bytes, "a/missing.txt").result, 0);
}

TEST(ZipReader, LookupFoldsOnlyAsciiLettersAndComparesTheWholeName) {
    const BuiltZip z = BuildZip({{"previews\\thumbnail.png", "backslash", 0},
                                 {"thumbnail.png", "bare", 0},
                                 {"Previews/Thumbnail.PNG", "first", 0},
                                 {"previews/thumbnail.png", "second", 0},
                                 {"caf\xC3\xA9.txt", "accent", 0}});
    // The first entry equal under folding wins; '\\' is not '/'; the path counts.
    EXPECT_EQ(Extract(z.bytes, "previews/thumbnail.png").data, "first");
    EXPECT_EQ(Extract(z.bytes, "PREVIEWS/THUMBNAIL.png").data, "first");
    EXPECT_EQ(Extract(z.bytes, "Thumbnail.png").data, "bare");
    EXPECT_EQ(Extract(z.bytes, "previews/thumbnail.pn").result, 0);
    // Only a to z are folded.
    EXPECT_EQ(Extract(z.bytes, "CAF\xC3\xA9.TXT").data, "accent");
    EXPECT_EQ(Extract(z.bytes, "CAF\xC3\x89.TXT").result, 0);

    auto handle = ZipOpenMemory(Bytes(z.bytes), Size(z.bytes));
    ASSERT_TRUE(handle);
    int index = 99;
    ZipEntryInfo entry;
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("previews/thumbnail.png"), FALSE, &index, &entry, FALSE),
              kZipOk);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(entry.index, 3);
    EXPECT_EQ(entry.uncompressedSize, 6u);
    EXPECT_EQ(entry.name, CString("previews/thumbnail.png"));
    // With the path ignored, the first entry whose last part matches wins.
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("THUMBNAIL.png"), TRUE, &index, &entry, TRUE), kZipOk);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(ZipLocateEntry(handle.get(), CString("nothing"), TRUE, &index, &entry, FALSE),
              kZipEntryNotFound);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(entry.index, -1);
    EXPECT_EQ(ZipClose(handle), kZipOk);
    EXPECT_FALSE(handle);
}

TEST(ZipReader, NameLengthLimits) {
    const std::string name255(255, 'n');
    const std::string name256(256, 'n');
    const BuiltZip z = BuildZip({{name256, "long", 0}, {name255, "fits", 0}});
    EXPECT_EQ(Extract(z.bytes, name255.c_str()).data, "fits");
    // A wanted name of 256 characters fails, and so would a stored one.
    EXPECT_EQ(Extract(z.bytes, name256.c_str()).result, 0);
    const BuiltZip only = BuildZip({{name256, "long", 0}});
    EXPECT_EQ(Extract(only.bytes, name255.c_str()).result, 0);
}

TEST(ZipReader, EndRecordIsFoundBehindCommentsUpToTheSearchLimit) {
    const std::vector<ZipMember> members = {{"m", "member", 8}};
    EXPECT_EQ(Extract(BuildZip(members, std::string(1000, 'c')).bytes, "m").data, "member");
    // The search windows step by 1024 and overlap by 4: a record on either
    // side of a window edge is found.
    for (std::size_t n = 1000; n < 1040; ++n)
        EXPECT_EQ(Extract(BuildZip(members, std::string(n, 'c')).bytes, "m").result, 1) << n;
    // The record may start at most 65535 bytes before the end of the buffer.
    EXPECT_EQ(Extract(BuildZip(members, std::string(65513, 'c')).bytes, "m").result, 1);
    EXPECT_EQ(Extract(BuildZip(members, std::string(65514, 'c')).bytes, "m").result, 0);
}

TEST(ZipReader, BytesBeforeTheArchiveAndATrailingNulAreHarmless) {
    const std::string text = SampleText(5000);
    const BuiltZip z = BuildZip({{"x.txt", text, 8}, {"y.txt", "why", 0}}, "", std::string(100, '\x01'));
    EXPECT_EQ(Extract(z.bytes, "x.txt").data, text);
    EXPECT_EQ(Extract(z.bytes, "y.txt").data, "why");
    std::string withNul = z.bytes;
    withNul += '\0';
    EXPECT_EQ(Extract(withNul, "y.txt").data, "why");
}

TEST(ZipReader, ArchivesThatDoNotOpen) {
    const BuiltZip z = BuildZip({{"m", "member", 0}});
    auto opens = [](const std::string& bytes) { return ZipOpenMemory(Bytes(bytes), Size(bytes)) != nullptr; };
    EXPECT_TRUE(opens(z.bytes));
    // An empty archive is an end record at 0.
    EXPECT_FALSE(opens(BuildZip({}).bytes));
    EXPECT_FALSE(opens("PK\x05\x06"));
    EXPECT_FALSE(opens(""));
    EXPECT_FALSE(opens(z.bytes.substr(0, z.bytes.size() - 4))); // end record cut short

    std::string multiDisk = z.bytes;
    Put16(multiDisk, z.end + 4, 1);
    EXPECT_FALSE(opens(multiDisk));
    std::string otherDisk = z.bytes;
    Put16(otherDisk, z.end + 6, 1);
    EXPECT_FALSE(opens(otherDisk));
    std::string counts = z.bytes;
    Put16(counts, z.end + 8, 2);
    EXPECT_FALSE(opens(counts));
    // A directory that would end past the end record.
    std::string beyond = z.bytes;
    Put32(beyond, z.end + 16, 0xFFFFFF00u);
    EXPECT_FALSE(opens(beyond));
    std::string bigDir = z.bytes;
    Put32(bigDir, z.end + 12, static_cast<std::uint32_t>(z.end + 1));
    EXPECT_FALSE(opens(bigDir));
}

TEST(ZipReader, LocalHeaderMustAgreeWithTheCentralOne) {
    const BuiltZip z = BuildZip({{"m", "member", 0}});
    ASSERT_EQ(Extract(z.bytes, "m").result, 1);
    auto damaged = [&](std::size_t field, std::uint32_t value, int width) {
        std::string bytes = z.bytes;
        if (width == 2)
            Put16(bytes, z.local[0] + field, static_cast<std::uint16_t>(value));
        else
            Put32(bytes, z.local[0] + field, value);
        return Extract(bytes, "m").result;
    };
    EXPECT_EQ(damaged(0, 0x04034B51, 4), 0);  // signature
    EXPECT_EQ(damaged(8, 8, 2), 0);           // method differs
    EXPECT_EQ(damaged(14, 1, 4), 0);          // CRC
    EXPECT_EQ(damaged(18, 5, 4), 0);          // compressed size
    EXPECT_EQ(damaged(22, 5, 4), 0);          // uncompressed size
    EXPECT_EQ(damaged(26, 2, 2), 0);          // name length
    EXPECT_EQ(damaged(28, 0xFFFF, 2), 0);     // extra field past the end
    EXPECT_EQ(damaged(4, 99, 2), 1);          // version: not compared
    EXPECT_EQ(damaged(10, 0x12345678, 4), 1); // time: not compared

    // Method 12 in both headers is not one we decode.
    std::string method12 = z.bytes;
    Put16(method12, z.local[0] + 8, 12);
    Put16(method12, z.central[0] + 10, 12);
    EXPECT_EQ(Extract(method12, "m").result, 0);

    // With flag bit 3 the sizes and CRC live in a descriptor after the data.
    BuiltZip described = BuildZip({{"m", "member", 0, 0x0008}});
    Put32(described.bytes, described.local[0] + 14, 0);
    Put32(described.bytes, described.local[0] + 18, 0);
    Put32(described.bytes, described.local[0] + 22, 0);
    EXPECT_EQ(Extract(described.bytes, "m").data, "member");

    // A local extra field is stepped over.
    EXPECT_EQ(Extract(BuildZip({{"m", "member", 8, 0, std::string(37, 'e')}}).bytes, "m").data, "member");
}

TEST(ZipReader, ABrokenCentralHeaderEndsTheWalk) {
    BuiltZip z = BuildZip({{"a", "first", 0}, {"b", "second", 0}, {"c", "third", 0}});
    Put32(z.bytes, z.central[1], 0x02014B51);
    EXPECT_EQ(Extract(z.bytes, "a").data, "first");
    EXPECT_EQ(Extract(z.bytes, "b").result, 0);
    EXPECT_EQ(Extract(z.bytes, "c").result, 0);
    // Entries past the stated count are not looked at.
    BuiltZip counted = BuildZip({{"a", "first", 0}, {"b", "second", 0}});
    Put16(counted.bytes, counted.end + 8, 1);
    Put16(counted.bytes, counted.end + 10, 1);
    EXPECT_EQ(Extract(counted.bytes, "a").data, "first");
    EXPECT_EQ(Extract(counted.bytes, "b").result, 0);
}

TEST(ZipReader, OffsetsOutsideTheBufferFailWithoutReadingThere) {
    const std::string text = SampleText(3000);
    const BuiltZip z = BuildZip({{"m", text, 8}});
    std::string local = z.bytes;
    Put32(local, z.central[0] + 42, 0x7FFFFFF0u);
    EXPECT_EQ(Extract(local, "m").result, 0);
    std::string central = z.bytes;
    Put16(central, z.central[0] + 28, 0xFFFF); // name runs past the buffer
    EXPECT_EQ(Extract(central, "m").result, 0);

    // Compressed data declared longer than the buffer holds: found, but the
    // read fails, and the buffer of the declared size comes back zeroed.
    std::string data = z.bytes;
    Put32(data, z.local[0] + 18, 0x00FFFFFFu);
    Put32(data, z.central[0] + 20, 0x00FFFFFFu);
    const Extracted e = Extract(data, "m");
    EXPECT_EQ(e.result, 1);
    ASSERT_EQ(e.data.size(), text.size());
    EXPECT_EQ(e.data, std::string(text.size(), '\0'));
}

TEST(ZipReader, DamagedDeflateStreamKeepsTheDecodedPrefixAndZeroesTheRest) {
    const std::string text = SampleText(60000);
    BuiltZip z = BuildZip({{"m", text, 8}});
    const std::size_t dataAt = z.local[0] + 30 + 1;
    const std::size_t compressed = z.central[0] - dataAt;

    // Garbage in the middle of the stream.
    std::string garbled = z.bytes;
    for (std::size_t i = compressed / 2; i < compressed / 2 + 64; ++i) garbled[dataAt + i] = '\xFF';
    Extracted e = Extract(garbled, "m");
    EXPECT_EQ(e.result, 1);
    ASSERT_EQ(e.data.size(), text.size());
    std::size_t same = 0;
    while (same < text.size() && e.data[same] == text[same]) ++same;
    EXPECT_LT(same, text.size());
    EXPECT_GT(same, 0u);

    // A stream cut short: the decoded part is exact, the rest zero.
    std::string cut = z.bytes;
    Put32(cut, z.local[0] + 18, static_cast<std::uint32_t>(compressed / 3));
    Put32(cut, z.central[0] + 20, static_cast<std::uint32_t>(compressed / 3));
    e = Extract(cut, "m");
    EXPECT_EQ(e.result, 1);
    ASSERT_EQ(e.data.size(), text.size());
    same = 0;
    while (same < text.size() && e.data[same] == text[same]) ++same;
    EXPECT_GT(same, 1000u);
    EXPECT_LT(same, text.size());
    EXPECT_EQ(e.data.find_first_not_of('\0', same), std::string::npos);
}

TEST(ZipReader, DeclaredSizesBeyondWhatTheArchiveHoldsAreRefused) {
    // A few hundred bytes cannot inflate to 4 GiB; nothing is allocated.
    BuiltZip bomb = BuildZip({{"m", std::string(1000, 'z'), 8}});
    Put32(bomb.bytes, bomb.local[0] + 22, 0xF0000000u);
    Put32(bomb.bytes, bomb.central[0] + 24, 0xF0000000u);
    const Extracted e = Extract(bomb.bytes, "m");
    EXPECT_EQ(e.result, 1); // found; the extraction's own failure is not the lookup's
    EXPECT_FALSE(e.hasBuffer);

    // A genuine extreme ratio stays within the bound.
    const std::string zeros(8u << 20, '\0');
    const BuiltZip dense = BuildZip({{"m", zeros, 8}});
    EXPECT_LT(dense.bytes.size(), 10000u);
    EXPECT_EQ(Extract(dense.bytes, "m").data, zeros);
}

TEST(ZipReader, MemberOfUnknownSizeIsDecodedInSteps) {
    const std::string text = SampleText(25123);
    ZipMember m{"m", text, 8};
    m.unknownSize = true;
    const BuiltZip z = BuildZip({m});
    EXPECT_EQ(Extract(z.bytes, "m").data, text);

    CZipListCtrl zip;
    ASSERT_TRUE(zip.OpenFromMemory(Bytes(z.bytes), Size(z.bytes)));
    int index = -1;
    ASSERT_TRUE(zip.FindItem(CString("M"), &index, FALSE));
    EXPECT_EQ(zip.m_entry.uncompressedSize, 0xFFFFFFFFu);
    CMemFile out;
    ASSERT_TRUE(zip.ExtractItem(index, &out));
    EXPECT_EQ(zip.m_entry.uncompressedSize, text.size());
    EXPECT_EQ(out.GetLength(), text.size());
    EXPECT_EQ(zip.m_strArchiveName, CString("memory file"));
}

TEST(ZipReader, ExtractToBufferDeliversInPiecesAndReportsEachState) {
    const std::string text = SampleText(50000);
    const BuiltZip z = BuildZip({{"a", text, 8}, {"b", "bee", 0}});
    auto handle = ZipOpenMemory(Bytes(z.bytes), Size(z.bytes));
    ASSERT_TRUE(handle);

    std::string got;
    char piece[7000];
    for (int calls = 0; calls < 100; ++calls) {
        UINT len = sizeof piece;
        const ZipResult r = ZipExtractToBuffer(handle.get(), 0, piece, &len);
        if (r != kZipMoreData) {
            EXPECT_EQ(r, kZipOk);
            break;
        }
        got.append(piece, len);
    }
    EXPECT_EQ(got, text);

    // Switching members mid-way starts the other one from its beginning.
    UINT len = 10;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 0, piece, &len), kZipMoreData);
    len = sizeof piece;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 1, piece, &len), kZipMoreData);
    EXPECT_EQ(std::string(piece, len), "bee");
    len = sizeof piece;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 1, piece, &len), kZipOk);

    len = sizeof piece;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 2, piece, &len), kZipBadArguments);
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), -1, piece, &len), kZipBadArguments);
    EXPECT_EQ(ZipExtractToBuffer(nullptr, 0, piece, &len), kZipBadArguments);

    ZipEntryInfo entry;
    EXPECT_EQ(ZipGetEntry(*handle->archive, -1, &entry), kZipOk);
    EXPECT_EQ(entry.index, 2); // the entry count
    EXPECT_EQ(ZipGetEntry(*handle->archive, 1, &entry), kZipOk);
    EXPECT_EQ(entry.name, CString("b"));
    EXPECT_EQ(ZipGetEntry(*handle->archive, 0, &entry), kZipOk); // backwards
    EXPECT_EQ(entry.uncompressedSize, text.size());
    EXPECT_EQ(ZipGetEntry(*handle->archive, 2, &entry), kZipBadArguments);
    EXPECT_EQ(ZipGetEntry(*handle->archive, -2, &entry), kZipBadArguments);

    handle->kind = 2;
    EXPECT_EQ(ZipExtractToBuffer(handle.get(), 0, piece, &len), kZipWrongHandleKind);
    EXPECT_EQ(ZipClose(handle), kZipWrongHandleKind);
    EXPECT_TRUE(handle);
    handle->kind = ZipHandle::kReader;
    EXPECT_EQ(ZipClose(handle), kZipOk);
    EXPECT_EQ(ZipClose(handle), kZipBadArguments);
}

} // namespace
