// The low-level zip reader: an archive held entirely in memory, read in
// place (never copied), one member at a time.
//
// Supported: stored (method 0) and deflated (method 8) members of a
// single-disk archive without the 64-bit extensions or encryption. Bytes may
// precede the archive proper in the buffer (a self-extractor stub, say): the
// difference between where the end record is and where the archive says it
// is becomes a bias added to every offset read from the archive.
//
// Operations return one of the ZipResult codes; an archive that cannot be
// opened gives no handle at all.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <memory>

using ZipResult = std::uint32_t;
enum : ZipResult {
    kZipOk = 0x00000000,
    kZipEntryNotFound = 0x00000500,
    // The output buffer was filled; the count of bytes delivered is returned.
    kZipMoreData = 0x00000600,
    // The local header does not match the central header.
    kZipEntryCorrupt = 0x00000700,
    // The local extra field cannot be reached or read.
    kZipEntryUnreadable = 0x00000800,
    // Null handle, index out of range.
    kZipBadArguments = 0x00010000,
    kZipWrongHandleKind = 0x00080000,
    kZipAlreadyOpen = 0x01000000,
    kZipDecodeFailed = 0x05000000,
};

// What a lookup tells about one entry. Only the index and the sizes are
// used; attributes and times are left at zero.
struct ZipEntryInfo {
    int index = -1;
    CString name; // the stored name, read as UTF-8
    DWORD attributes = 0;
    ULONGLONG accessTime = 0;
    ULONGLONG creationTime = 0;
    ULONGLONG modificationTime = 0;
    DWORD compressedSize = 0;
    DWORD uncompressedSize = 0;
};

class ZipArchive; // the state of one open archive

// An open archive. A handle of another kind than a reader is refused by
// every operation.
struct ZipHandle {
    static constexpr int kReader = 1;
    ZipHandle();
    ~ZipHandle();
    int kind = kReader;
    std::unique_ptr<ZipArchive> archive;
};

// Opens the nSize bytes at pData as an archive. The bytes must outlive the
// handle. Null when no end record is found within the last 65535 bytes, the
// archive spans disks, or its central directory would lie past the end
// record.
std::unique_ptr<ZipHandle> ZipOpenMemory(const BYTE* pData, UINT nSize);

// Finds the first entry whose stored name equals name (with bFoldCase, the
// letters a to z compared without regard to case; nothing else is folded;
// with bIgnorePath, only the stored name's part after its last '/' is
// compared). On success *pIndex is its index and *pEntry its record; when
// no entry matches, *pIndex is -1, *pEntry is cleared with index -1 and the
// result is kZipEntryNotFound. Names of 256 characters or more, and stored
// names of 256 bytes or more, never match.
ZipResult ZipLocateEntry(ZipHandle* handle, const CString& name, BOOL bFoldCase, int* pIndex,
                         ZipEntryInfo* pEntry, BOOL bIgnorePath);

// The record of entry nIndex, after checking that its local header agrees
// with its central header. Index -1 gives a record holding the entry count
// as its index.
ZipResult ZipGetEntry(ZipArchive& archive, int nIndex, ZipEntryInfo* pEntry);

// Decodes the next at most *pnLen bytes of entry nIndex into pDest. When
// bytes were delivered: *pnLen is their count, the result kZipMoreData, and
// the next call goes on where this one stopped. When nothing more comes:
// kZipOk, or kZipDecodeFailed when the member's data could not be read.
// A damaged deflate stream simply ends the member early.
ZipResult ZipExtractToBuffer(ZipHandle* handle, int nIndex, void* pDest, UINT* pnLen);

// Closes the open member, if any, and frees the archive and the handle.
ZipResult ZipClose(std::unique_ptr<ZipHandle>& handle);
