// The archive object over the low-level zip reader, and ExtractZipMember,
// the one call the rest of the program makes.
#pragma once

#include "platform/memfile.h"
#include "zip/zip_reader.h"

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
    // could hold or memory runs out.
    bool ExtractItem(int nIndex, CMemFile* pFile);
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
// that member (whether or not it decoded), 0 otherwise.
int ExtractZipMember(const CString& pszMember, CMemFile* pOut, const BYTE* pData, UINT nSize);
