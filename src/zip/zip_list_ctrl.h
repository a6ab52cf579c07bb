// The archive object over the low-level zip reader, and ExtractZipMember,
// the one call the rest of the program makes.
#pragma once

#include "platform/memfile.h"
#include "zip/zip_reader.h"

#include <cstddef>
#include <functional>
#include <span>

// How long a member whose header does not give its size turns out to be,
// judged from its first bytes as they are decoded: more bytes are needed to
// tell (at least `bytes` in all), the member is `bytes` long, or it is not
// what the caller looks for and nothing more is decoded.
struct MemberLength {
    enum Verdict { needMore, complete, refuse } verdict;
    std::size_t bytes = 0;
    const char* why = nullptr; // of a refusal
};
using MemberSizer = std::function<MemberLength(std::span<const BYTE> head)>;

// One archive, opened from memory, searched, one member extracted, closed.
// It is a plain object: no window is ever made for it.
class CZipListCtrl {
public:
    CZipListCtrl() = default;
    ~CZipListCtrl() { CloseArchive(); }
    CZipListCtrl(const CZipListCtrl&) = delete;
    CZipListCtrl& operator=(const CZipListCtrl&) = delete;

    // Opens the archive in the nSize bytes at pData (which must outlive the
    // object); TRUE when it could be opened.
    BOOL OpenFromMemory(const BYTE* pData, UINT nSize);
    // Looks name up with case folding (see ZipLocateEntry) and keeps its
    // record in m_entry; true when found.
    bool FindItem(const CString& name, int* pIndex, BOOL bIgnorePath);
    // Decodes entry nIndex (the one FindItem found) into a new buffer and
    // attaches it to pFile. The buffer holds the declared size; bytes the
    // decoder did not deliver (a damaged or short member) are zero. False,
    // with pFile untouched, when the declared size is more than the archive
    // could hold or memory runs out. A member whose size is not given is
    // decoded as far as sizer says it reaches (without a sizer: to its end,
    // within the same limits); false when sizer refuses it.
    bool ExtractItem(int nIndex, CMemFile* pFile, const MemberSizer& sizer = {});
    void CloseArchive();

    ZipEntryInfo m_entry;
    std::unique_ptr<ZipHandle> m_hArchive;
    CString m_strArchiveName;

private:
    UINT m_nArchiveSize = 0;
};

// Extracts the member named pszMember (the letters a to z compared without
// regard to case, '/' as the separator, the path included) of the archive in
// the nSize bytes at pData into pOut. 1 when the archive opened and holds
// that member (whether or not it decoded), 0 otherwise. sizer: see
// CZipListCtrl::ExtractItem.
int ExtractZipMember(const CString& pszMember, CMemFile* pOut, const BYTE* pData, UINT nSize,
                     const MemberSizer& sizer = {});
