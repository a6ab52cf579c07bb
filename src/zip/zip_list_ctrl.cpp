#include "zip/zip_list_ctrl.h"

#include "model/limits.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
constexpr DWORD kUnknownSize = 0xFFFFFFFF;
// What is decoded of a member of unknown size before its sizer is asked.
constexpr std::size_t kFirstLook = 64;
// Without a sizer, the buffer for such a member starts at this size and
// doubles, so the copying stays linear in what is decoded.
constexpr std::size_t kFirstBuffer = 64 * 1024;

// Decodes member nIndex, whose size is not known, into a growing buffer
// until the member ends, limit is reached or sizer says where it ends.
// Returns false when the limit is passed, memory runs out or sizer refuses.
bool ExtractUnknownSize(ZipHandle* handle, int nIndex, std::size_t limit, const MemberSizer& sizer,
                        MallocBuffer& buffer, std::size_t& total) {
    std::size_t capacity = 0;
    std::size_t want = sizer ? kFirstLook : kFirstBuffer; // decode up to here, then decide
    bool ended = false;
    total = 0;
    for (;;) {
        while (!ended && total < want) {
            if (want > limit) return false;
            if (capacity < want) {
                const std::size_t grown = std::min(limit, std::max(want, capacity * 2));
                auto* p = static_cast<BYTE*>(std::realloc(buffer.get(), grown));
                if (!p) return false;
                (void)buffer.release(); // realloc took the old block
                buffer.reset(p);
                capacity = grown;
            }
            UINT len = static_cast<UINT>(std::min<std::size_t>(want - total, 1u << 30));
            if (ZipExtractToBuffer(handle, nIndex, buffer.get() + total, &len) != kZipMoreData || len == 0)
                ended = true;
            else
                total += len;
        }
        if (!sizer) {
            if (ended) return true;
            want = capacity * 2; // on to the end
            continue;
        }
        const MemberLength verdict = sizer(std::span<const BYTE>(buffer.get(), total));
        switch (verdict.verdict) {
        case MemberLength::refuse:
            return false;
        case MemberLength::complete:
            total = std::min(total, verdict.bytes);
            if (total >= verdict.bytes || ended) return true;
            want = verdict.bytes;
            break;
        case MemberLength::needMore:
            if (verdict.bytes <= total) return false; // no progress: a broken sizer
            // A member that ends before it can be judged is handed on as it is.
            if (ended) return true;
            want = verdict.bytes;
            break;
        }
    }
}
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

bool CZipListCtrl::ExtractItem(int nIndex, CMemFile* pFile, const MemberSizer& sizer) {
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
    std::size_t total = 0;
    if (!ExtractUnknownSize(m_hArchive.get(), nIndex, static_cast<std::size_t>(limit), sizer, buffer, total))
        return false;
    m_entry.uncompressedSize = static_cast<DWORD>(total);
    pFile->Attach(std::move(buffer), static_cast<UINT>(total), 0);
    return true;
}

void CZipListCtrl::CloseArchive() {
    if (m_hArchive) ZipClose(m_hArchive);
    m_hArchive.reset();
}

int ExtractZipMember(const CString& pszMember, CMemFile* pOut, const BYTE* pData, UINT nSize,
                     const MemberSizer& sizer) {
    CZipListCtrl zip;
    if (!zip.OpenFromMemory(pData, nSize)) return 0;
    int index = -1;
    if (!zip.FindItem(pszMember, &index, FALSE)) return 0;
    zip.ExtractItem(index, pOut, sizer);
    return 1;
}
