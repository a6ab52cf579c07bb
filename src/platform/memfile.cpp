#include "platform/memfile.h"

#include <algorithm>
#include <cstring>
#include <limits>

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {}

void CMemFile::Reset() {
    m_owned.reset();
    m_data = nullptr;
    m_capacity = m_size = m_pos = 0;
}

void CMemFile::Attach(BYTE* pBuffer, UINT nBufferSize) {
    Reset();
    m_data = pBuffer;
    m_capacity = m_size = pBuffer ? nBufferSize : 0;
    m_nGrowBytes = 0;
}

void CMemFile::Attach(MallocBuffer buffer, UINT nBufferSize, UINT nGrowBytes) {
    Reset();
    m_owned = std::move(buffer);
    m_data = m_owned.get();
    m_capacity = m_size = m_data ? nBufferSize : 0;
    m_nGrowBytes = nGrowBytes;
}

MallocBuffer CMemFile::Detach() {
    MallocBuffer out = std::move(m_owned);
    Reset();
    return out;
}

BOOL CMemFile::Open(const CString& /*path*/, UINT /*flags*/, CFileException* pError) {
    // A memory file has no name to open.
    if (pError) *pError = CFileException(CFileException::genericException);
    return FALSE;
}

UINT CMemFile::Read(void* buf, UINT count) {
    if (m_pos >= m_size || count == 0) return 0;
    const UINT n = static_cast<UINT>(std::min<ULONGLONG>(count, m_size - m_pos));
    std::memcpy(buf, m_data + m_pos, n);
    m_pos += n;
    return n;
}

void CMemFile::Grow(ULONGLONG needed) {
    // Only an owned buffer with a grow step grows, to the next multiple of
    // the step; a file stays addressable by 32-bit lengths.
    if (!m_owned && m_data) throw CMemoryException();
    if (m_nGrowBytes == 0 || needed > std::numeric_limits<UINT>::max()) throw CMemoryException();
    const ULONGLONG capacity = std::min<ULONGLONG>((needed + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes,
                                                   std::numeric_limits<UINT>::max());
    auto* grown = static_cast<BYTE*>(std::realloc(m_owned.get(), static_cast<std::size_t>(capacity)));
    if (!grown) throw CMemoryException();
    (void)m_owned.release(); // realloc took the old block
    m_owned.reset(grown);
    m_data = grown;
    m_capacity = capacity;
}

void CMemFile::Write(const void* buf, UINT count) {
    if (count == 0) return;
    const ULONGLONG end = m_pos + count;
    if (end > m_capacity) Grow(end);
    // A write after a seek past the end leaves no undefined gap.
    if (m_pos > m_size) std::memset(m_data + m_size, 0, static_cast<std::size_t>(m_pos - m_size));
    std::memcpy(m_data + m_pos, buf, count);
    m_pos = end;
    m_size = std::max(m_size, end);
}

ULONGLONG CMemFile::Seek(LONGLONG off, UINT from) {
    const LONGLONG base = from == current ? static_cast<LONGLONG>(m_pos)
                          : from == end   ? static_cast<LONGLONG>(m_size)
                                          : 0;
    if ((off < 0 && base + off < 0) || (off > 0 && off > std::numeric_limits<LONGLONG>::max() - base))
        throw CFileException(CFileException::badSeek);
    m_pos = static_cast<ULONGLONG>(base + off);
    return m_pos;
}
