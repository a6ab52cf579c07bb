// Zip layout (all fields little-endian):
//
//   end record, 22 bytes, the last thing in the archive but for its comment:
//     0 'P' 'K' 5 6 | 4 this disk | 6 directory's disk | 8 entries here
//     10 entries in all | 12 directory size | 16 directory offset
//     20 comment length (the comment, up to 65535 bytes, follows)
//   central header, 46 bytes, then name, extra field, comment:
//     0 'P' 'K' 1 2 | 4 made by | 6 needed | 8 flags | 10 method
//     12 DOS time and date | 16 CRC-32 | 20 compressed size
//     24 uncompressed size | 28 name length | 30 extra length
//     32 comment length | 34 disk | 36 internal attributes
//     38 external attributes | 42 local header offset
//   local header, 30 bytes, then name, extra field, the member's data:
//     0 'P' 'K' 3 4 | 4 needed | 6 flags | 8 method | 10 DOS time and date
//     14 CRC-32 | 18 compressed size | 22 uncompressed size
//     26 name length | 28 extra length
//
// Flag bit 3 says the sizes and CRC follow the data in a descriptor, so the
// local header may hold zeros there; the central header always has them.
// The CRC is not verified.
#include "zip/zip_reader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <zlib.h>

namespace {

constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr long long kEndRecordSize = 22;
constexpr long long kCentralHeaderSize = 46;
constexpr long long kLocalHeaderSize = 30;
constexpr long long kMaxEndSearch = 65535;
constexpr long long kEndSearchStep = 1024;
constexpr UINT kInputChunk = 16384;
// Stored names compared by a lookup, and names kept in an entry record,
// hold fewer bytes than these.
constexpr std::size_t kLookupNameField = 256;
constexpr std::size_t kRecordNameField = 260;
constexpr int kMaxWantedNameChars = 256;
constexpr std::size_t kMaxWantedNameBytes = 259;

std::uint16_t Le16(const BYTE* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The caller's bytes with a read position. Positions are 64-bit: offsets
// from the archive plus the bias can pass 4 GiB. A read clamps to what is
// there and copies nothing from a position outside the bytes.
class ByteSource {
public:
    ByteSource(const BYTE* data, UINT size) : m_data(data), m_size(size) {}
    void Seek(long long pos) { m_pos = pos; }
    long long Size() const { return m_size; }
    UINT Read(void* dst, UINT n) {
        if (m_pos < 0 || m_pos >= m_size) return 0;
        const UINT got = static_cast<UINT>(std::min<long long>(n, m_size - m_pos));
        std::memcpy(dst, m_data + m_pos, got);
        m_pos += got;
        return got;
    }
    bool ReadAt(long long pos, void* dst, UINT n) {
        Seek(pos);
        return Read(dst, n) == n;
    }
    // Whether n bytes are there at pos (a read of them would not be short).
    bool Holds(long long pos, long long n) const { return pos >= 0 && pos <= m_size && n <= m_size - pos; }

private:
    const BYTE* m_data;
    long long m_size;
    long long m_pos = 0;
};

struct CentralHeader {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint32_t localHeaderOffset = 0;
};

// Folds 'a' to 'z' onto 'A' to 'Z' and nothing else.
BYTE FoldAscii(BYTE c) {
    return c >= 'a' && c <= 'z' ? static_cast<BYTE>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view stored, std::string_view wanted, bool foldCase) {
    if (stored.size() != wanted.size()) return false;
    if (!foldCase) return stored == wanted;
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (FoldAscii(static_cast<BYTE>(stored[i])) != FoldAscii(static_cast<BYTE>(wanted[i]))) return false;
    return true;
}

} // namespace

// One member being decoded.
struct ZipMemberReader {
    ~ZipMemberReader() {
        if (inflating) inflateEnd(&stream);
    }
    BYTE input[kInputChunk];
    const BYTE* next = input;
    UINT available = 0;
    z_stream stream{};
    bool inflating = false;
    long long dataPos = 0; // without the bias
    std::uint32_t compressedLeft = 0;
    std::uint32_t uncompressedLeft = 0;
    std::uint16_t method = 0;
};

class ZipArchive {
public:
    explicit ZipArchive(ByteSource source) : m_source(source) {}

    bool Open();
    ZipResult Locate(const CString& name, bool foldCase, int* pIndex, ZipEntryInfo* pEntry, bool ignorePath);
    ZipResult GetEntry(int index, ZipEntryInfo* pEntry);
    ZipResult Extract(int index, void* dest, UINT* pnLen);
    void CloseMember() {
        m_member.reset();
        m_openIndex = -1;
    }

private:
    bool FindEndRecord(long long& pos);
    bool ReadCentralHeader(std::string* name, std::size_t field);
    bool FirstEntry();
    bool NextEntry();
    bool MoveTo(int index);
    ZipResult CheckLocalHeader(std::uint16_t& localNameLength, std::uint16_t& localExtraLength);
    ZipResult OpenMember();
    long long ReadMember(BYTE* dest, UINT len);

    ByteSource m_source;
    std::uint16_t m_entryCount = 0;
    std::uint32_t m_dirOffset = 0;
    std::uint32_t m_dirSize = 0;
    long long m_bias = 0;
    long long m_endRecordPos = 0;

    int m_currentIndex = 0;
    long long m_currentOffset = 0; // of the current central header, without the bias
    bool m_currentValid = false;
    CentralHeader m_current;

    std::unique_ptr<ZipMemberReader> m_member;
    int m_openIndex = -1;
    ZipEntryInfo m_cache; // index -1: empty
};

ZipHandle::ZipHandle() = default;
ZipHandle::~ZipHandle() = default;

bool ZipArchive::FindEndRecord(long long& pos) {
    // Backwards in windows of 1028 bytes stepping 1024, so that a signature
    // across two windows is still seen; the hit nearest the end wins.
    const long long size = m_source.Size();
    const long long maxBack = std::min(size, kMaxEndSearch);
    if (maxBack <= 4) return false;
    BYTE window[kEndSearchStep + 4];
    long long back = 4;
    while (back < maxBack) {
        back = std::min(back + kEndSearchStep, maxBack);
        const long long readPos = size - back;
        const UINT readSize = static_cast<UINT>(std::min<long long>(kEndSearchStep + 4, size - readPos));
        if (!m_source.ReadAt(readPos, window, readSize)) return false;
        for (long long i = static_cast<long long>(readSize) - 4; i >= 0; --i) {
            if (window[i] == 'P' && window[i + 1] == 'K' && window[i + 2] == 5 && window[i + 3] == 6) {
                pos = readPos + i;
                // A record at 0 leaves no room for any entry.
                return pos != 0;
            }
        }
    }
    return false;
}

bool ZipArchive::Open() {
    long long pos = 0;
    if (!FindEndRecord(pos)) return false;
    BYTE rec[kEndRecordSize];
    if (!m_source.ReadAt(pos, rec, kEndRecordSize)) return false;
    if (Le32(rec) != kEndSignature) return false;
    const std::uint16_t thisDisk = Le16(rec + 4);
    const std::uint16_t dirDisk = Le16(rec + 6);
    const std::uint16_t entriesHere = Le16(rec + 8);
    m_entryCount = Le16(rec + 10);
    m_dirSize = Le32(rec + 12);
    m_dirOffset = Le32(rec + 16);
    if (entriesHere != m_entryCount || thisDisk != 0 || dirDisk != 0) return false;
    const long long dirEnd = static_cast<long long>(m_dirOffset) + m_dirSize;
    if (pos < dirEnd) return false;
    m_bias = pos - dirEnd;
    m_endRecordPos = pos;
    FirstEntry();
    return true;
}

bool ZipArchive::ReadCentralHeader(std::string* name, std::size_t field) {
    m_currentValid = false;
    BYTE h[kCentralHeaderSize];
    const long long at = m_currentOffset + m_bias;
    if (!m_source.ReadAt(at, h, kCentralHeaderSize) || Le32(h) != kCentralSignature) return false;
    CentralHeader c;
    c.flags = Le16(h + 8);
    c.method = Le16(h + 10);
    c.crc = Le32(h + 16);
    c.compressedSize = Le32(h + 20);
    c.uncompressedSize = Le32(h + 24);
    c.nameLength = Le16(h + 28);
    c.extraLength = Le16(h + 30);
    c.commentLength = Le16(h + 32);
    c.localHeaderOffset = Le32(h + 42);
    if (name) {
        // A name that does not fit the field with its terminator is cut.
        const std::size_t n = std::min<std::size_t>(c.nameLength, field - 1);
        name->resize(n);
        if (m_source.Read(name->data(), static_cast<UINT>(n)) != n) return false;
    }
    m_current = c;
    m_currentValid = true;
    return true;
}

bool ZipArchive::FirstEntry() {
    m_currentIndex = 0;
    m_currentOffset = m_dirOffset;
    // An archive that says it has no entries has none, whatever follows.
    if (m_entryCount == 0) {
        m_currentValid = false;
        return false;
    }
    return ReadCentralHeader(nullptr, 0);
}

bool ZipArchive::NextEntry() {
    if (!m_currentValid || m_currentIndex + 1 == m_entryCount) return false;
    ++m_currentIndex;
    m_currentOffset +=
        kCentralHeaderSize + m_current.nameLength + m_current.extraLength + m_current.commentLength;
    return ReadCentralHeader(nullptr, 0);
}

bool ZipArchive::MoveTo(int index) {
    if (index < m_currentIndex || !m_currentValid) {
        if (!FirstEntry()) return false;
    }
    while (m_currentIndex < index)
        if (!NextEntry()) return false;
    return m_currentValid;
}

ZipResult ZipArchive::CheckLocalHeader(std::uint16_t& localNameLength, std::uint16_t& localExtraLength) {
    BYTE h[kLocalHeaderSize];
    const long long at = static_cast<long long>(m_current.localHeaderOffset) + m_bias;
    if (!m_source.ReadAt(at, h, kLocalHeaderSize) || Le32(h) != kLocalSignature) return kZipEntryCorrupt;
    const std::uint16_t flags = Le16(h + 6);
    const std::uint16_t method = Le16(h + 8);
    if (method != m_current.method || (method != 0 && method != 8)) return kZipEntryCorrupt;
    if (!(flags & 0x0008)) {
        if (Le32(h + 14) != m_current.crc || Le32(h + 18) != m_current.compressedSize ||
            Le32(h + 22) != m_current.uncompressedSize)
            return kZipEntryCorrupt;
    }
    localNameLength = Le16(h + 26);
    localExtraLength = Le16(h + 28);
    if (localNameLength != m_current.nameLength) return kZipEntryCorrupt;
    return kZipOk;
}

ZipResult ZipArchive::GetEntry(int index, ZipEntryInfo* pEntry) {
    if (index < -1 || index >= m_entryCount || !pEntry) return kZipBadArguments;
    CloseMember();
    if (index != -1 && index == m_cache.index) {
        *pEntry = m_cache;
        return kZipOk;
    }
    if (index == -1) {
        *pEntry = ZipEntryInfo{};
        pEntry->index = m_entryCount;
        return kZipOk;
    }
    if (!MoveTo(index)) return kZipEntryCorrupt;
    std::string name;
    if (!ReadCentralHeader(&name, kRecordNameField)) return kZipEntryCorrupt;
    std::uint16_t localName = 0, localExtra = 0;
    if (const ZipResult r = CheckLocalHeader(localName, localExtra); r != kZipOk) return r;
    const long long extraAt =
        static_cast<long long>(m_current.localHeaderOffset) + m_bias + kLocalHeaderSize + localName;
    if (!m_source.Holds(extraAt, localExtra)) return kZipEntryUnreadable;

    ZipEntryInfo e;
    e.index = index;
    e.name = CString(std::string_view(name.data(), std::strlen(name.c_str())));
    e.compressedSize = m_current.compressedSize;
    e.uncompressedSize = m_current.uncompressedSize;
    m_cache = e;
    *pEntry = e;
    return kZipOk;
}

ZipResult ZipArchive::Locate(const CString& name, bool foldCase, int* pIndex, ZipEntryInfo* pEntry,
                             bool ignorePath) {
    CloseMember();
    auto notFound = [&](ZipResult r) {
        if (pIndex) *pIndex = -1;
        if (pEntry) *pEntry = ZipEntryInfo{};
        return r;
    };
    if (name.GetLength() >= kMaxWantedNameChars) return notFound(kZipBadArguments);
    const std::string wanted = name.Utf8();
    if (wanted.size() > kMaxWantedNameBytes) return notFound(kZipBadArguments);
    if (!m_currentValid) return notFound(kZipEntryNotFound);

    const int savedIndex = m_currentIndex;
    const long long savedOffset = m_currentOffset;
    const CentralHeader savedHeader = m_current;

    bool found = false;
    std::string stored;
    for (bool more = FirstEntry(); more; more = NextEntry()) {
        // Read the name again with the header (FirstEntry/NextEntry skip it).
        if (!ReadCentralHeader(&stored, kLookupNameField + 1)) break;
        // Names longer than the field are never compared.
        if (m_current.nameLength >= kLookupNameField) continue;
        std::string_view s(stored);
        s = s.substr(0, s.find('\0'));
        if (ignorePath) {
            const auto slash = s.rfind('/');
            if (slash != std::string_view::npos) s = s.substr(slash + 1);
        }
        if (SameName(s, wanted, foldCase)) {
            found = true;
            break;
        }
    }
    if (!found) {
        m_currentIndex = savedIndex;
        m_currentOffset = savedOffset;
        m_current = savedHeader;
        m_currentValid = true;
        return notFound(kZipEntryNotFound);
    }
    if (pIndex) *pIndex = m_currentIndex;
    if (!pEntry) return kZipOk;
    return GetEntry(m_currentIndex, pEntry);
}

ZipResult ZipArchive::OpenMember() {
    if (m_member) return kZipAlreadyOpen;
    std::uint16_t localName = 0, localExtra = 0;
    if (const ZipResult r = CheckLocalHeader(localName, localExtra); r != kZipOk) return r;
    auto member = std::make_unique<ZipMemberReader>();
    member->method = m_current.method;
    if (member->method != 0) {
        // Raw deflate: no zlib header or trailer, 32 KiB window.
        if (inflateInit2(&member->stream, -MAX_WBITS) != Z_OK) return kZipDecodeFailed;
        member->inflating = true;
    }
    member->dataPos =
        static_cast<long long>(m_current.localHeaderOffset) + kLocalHeaderSize + localName + localExtra;
    member->compressedLeft = m_current.compressedSize;
    member->uncompressedLeft = m_current.uncompressedSize;
    m_member = std::move(member);
    return kZipOk;
}

long long ZipArchive::ReadMember(BYTE* dest, UINT len) {
    ZipMemberReader& m = *m_member;
    if (len == 0) return 0;
    UINT room = std::min(len, m.uncompressedLeft);
    long long delivered = 0;
    while (room > 0) {
        if (m.available == 0 && m.compressedLeft > 0) {
            const UINT n = std::min(kInputChunk, m.compressedLeft);
            if (!m_source.ReadAt(m.dataPos + m_bias, m.input, n)) return -1;
            m.dataPos += n;
            m.compressedLeft -= n;
            m.next = m.input;
            m.available = n;
        }
        UINT produced = 0;
        bool stop = false;
        if (m.method == 0) {
            produced = std::min(room, m.available);
            if (produced == 0) break;
            std::memcpy(dest + delivered, m.next, produced);
            m.next += produced;
            m.available -= produced;
        } else {
            m.stream.next_in = const_cast<Bytef*>(m.next);
            m.stream.avail_in = m.available;
            m.stream.next_out = dest + delivered;
            m.stream.avail_out = room;
            const int ret = inflate(&m.stream, Z_SYNC_FLUSH);
            produced = room - m.stream.avail_out;
            m.next = m.stream.next_in;
            m.available = m.stream.avail_in;
            // The end of the stream, or any error: what was decoded stands.
            stop = ret != Z_OK;
        }
        room -= produced;
        m.uncompressedLeft -= produced;
        delivered += produced;
        if (stop) break;
    }
    return delivered;
}

ZipResult ZipArchive::Extract(int index, void* dest, UINT* pnLen) {
    if (!pnLen || (!dest && *pnLen > 0)) return kZipBadArguments;
    if (index != m_openIndex || !m_member) {
        CloseMember();
        if (index < 0 || index >= m_entryCount) return kZipBadArguments;
        if (!MoveTo(index) || OpenMember() != kZipOk) {
            CloseMember();
            return kZipDecodeFailed;
        }
        m_openIndex = index;
    }
    const long long n = ReadMember(static_cast<BYTE*>(dest), *pnLen);
    if (n > 0) {
        *pnLen = static_cast<UINT>(n);
        return kZipMoreData;
    }
    CloseMember();
    return n == 0 ? kZipOk : kZipDecodeFailed;
}

std::unique_ptr<ZipHandle> ZipOpenMemory(const BYTE* pData, UINT nSize) {
    if (!pData) return nullptr;
    auto archive = std::make_unique<ZipArchive>(ByteSource(pData, nSize));
    if (!archive->Open()) return nullptr;
    auto handle = std::make_unique<ZipHandle>();
    handle->archive = std::move(archive);
    return handle;
}

namespace {
ZipResult CheckHandle(const ZipHandle* handle) {
    if (!handle || !handle->archive) return kZipBadArguments;
    if (handle->kind != ZipHandle::kReader) return kZipWrongHandleKind;
    return kZipOk;
}
} // namespace

ZipResult ZipLocateEntry(ZipHandle* handle, const CString& name, BOOL bFoldCase, int* pIndex,
                         ZipEntryInfo* pEntry, BOOL bIgnorePath) {
    if (const ZipResult r = CheckHandle(handle); r != kZipOk) return r;
    return handle->archive->Locate(name, bFoldCase != FALSE, pIndex, pEntry, bIgnorePath != FALSE);
}

ZipResult ZipGetEntry(ZipArchive& archive, int nIndex, ZipEntryInfo* pEntry) {
    return archive.GetEntry(nIndex, pEntry);
}

ZipResult ZipExtractToBuffer(ZipHandle* handle, int nIndex, void* pDest, UINT* pnLen) {
    if (const ZipResult r = CheckHandle(handle); r != kZipOk) return r;
    return handle->archive->Extract(nIndex, pDest, pnLen);
}

ZipResult ZipClose(std::unique_ptr<ZipHandle>& handle) {
    if (const ZipResult r = CheckHandle(handle.get()); r != kZipOk) return r;
    handle->archive->CloseMember();
    handle.reset();
    return kZipOk;
}
