#include "zip/zip_list_ctrl.h"

#include "model/limits.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
// A member of unknown size (0xFFFFFFFF in its header) is decoded in steps of
// this many bytes.
constexpr UINT kUnknownSizeStep = 10000;
constexpr DWORD kUnknownSize = 0xFFFFFFFF;
} // namespace

BOOL CZipListCtrl::OpenFromMemory(const BYTE* pData, UINT nSize) {
    CloseArchive();
    m_strArchiveName = CString("memory file");
    m_hArchive = ZipOpenMemory(pData, nSize);
    m_nArchiveSize = nSize;
    return m_hArchive ? TRUE : FALSE;
}

bool CZipListCtrl::FindItem(const CString& name, int* pIndex, BOOL bIgnorePath) {
    return ZipLocateEntry(m_hArchive.get(), name, TRUE, pIndex, &m_entry, bIgnorePath) == kZipOk;
}

bool CZipListCtrl::ExtractItem(int nIndex, CMemFile* pFile) {
    if (!m_hArchive || !pFile) return false;
    // A declared size never sizes the buffer by itself: deflate turns one
    // byte into at most about 1032, and a member's compressed bytes lie in
    // the archive.
    const ULONGLONG compressed = std::min<ULONGLONG>(m_entry.compressedSize, m_nArchiveSize);
    const ULONGLONG limit =
        std::min<ULONGLONG>(limits::kMaxPreviewBytes, (compressed + 1) * limits::kMaxDeflateRatio);

    const DWORD size = m_entry.uncompressedSize;
    if (size != kUnknownSize) {
        if (size > limit) return false;
        // Zeroed, so that a member that decodes short hands on no stale bytes.
        MallocBuffer buffer(static_cast<BYTE*>(std::calloc(std::max<std::size_t>(size, 1), 1)));
        if (!buffer) return false;
        UINT len = size;
        ZipExtractToBuffer(m_hArchive.get(), nIndex, buffer.get(), &len);
        pFile->Attach(std::move(buffer), size, 0);
        return true;
    }

    MallocBuffer buffer;
    ULONGLONG total = 0;
    for (;;) {
        if (total + kUnknownSizeStep > limit) return false;
        auto* grown = static_cast<BYTE*>(
            std::realloc(buffer.get(), static_cast<std::size_t>(total + kUnknownSizeStep)));
        if (!grown) return false;
        (void)buffer.release(); // realloc took the old block
        buffer.reset(grown);
        UINT len = kUnknownSizeStep;
        if (ZipExtractToBuffer(m_hArchive.get(), nIndex, buffer.get() + total, &len) != kZipMoreData) break;
        total += len;
    }
    m_entry.uncompressedSize = static_cast<DWORD>(total);
    pFile->Attach(std::move(buffer), static_cast<UINT>(total), 0);
    return true;
}

void CZipListCtrl::CloseArchive() {
    if (m_hArchive) ZipClose(m_hArchive);
    m_hArchive.reset();
}

int ExtractZipMember(const CString& pszMember, CMemFile* pOut, const BYTE* pData, UINT nSize) {
    CZipListCtrl zip;
    if (!zip.OpenFromMemory(pData, nSize)) return 0;
    int index = -1;
    if (!zip.FindItem(pszMember, &index, FALSE)) return 0;
    zip.ExtractItem(index, pOut);
    return 1;
}
