#include "platform/archive.h"

#include <algorithm>

CArchive::CArchive(CFile* pFile, UINT mode, int bufSize)
    : m_pFile(pFile), m_mode(mode & load), m_bufSize(static_cast<UINT>(std::max(bufSize, 16))),
      m_buf(std::make_unique<BYTE[]>(m_bufSize)) {}

CArchive::~CArchive() { Abort(); }

void CArchive::FillBuffer() {
    m_cur = 0;
    m_max = m_pFile->Read(m_buf.get(), m_bufSize);
}

UINT CArchive::Read(void* buf, UINT count) {
    if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly);
    auto* out = static_cast<BYTE*>(buf);
    UINT done = 0;
    while (done < count) {
        if (m_cur == m_max) {
            // Large reads bypass the buffer.
            if (count - done >= m_bufSize) {
                const UINT n = m_pFile->Read(out + done, count - done);
                done += n;
                break;
            }
            FillBuffer();
            if (m_max == 0) break;
        }
        const UINT n = std::min(count - done, m_max - m_cur);
        std::memcpy(out + done, m_buf.get() + m_cur, n);
        m_cur += n;
        done += n;
    }
    return done;
}

void CArchive::EnsureRead(void* buf, UINT count) {
    if (Read(buf, count) != count) throw CArchiveException(CArchiveException::endOfFile);
}

void CArchive::Write(const void* buf, UINT count) {
    if (IsLoading()) throw CArchiveException(CArchiveException::readOnly);
    const auto* in = static_cast<const BYTE*>(buf);
    while (count > 0) {
        if (m_cur == m_bufSize) Flush();
        const UINT n = std::min(count, m_bufSize - m_cur);
        std::memcpy(m_buf.get() + m_cur, in, n);
        m_cur += n;
        in += n;
        count -= n;
    }
}

void CArchive::Flush() {
    if (IsLoading()) {
        if (m_max != m_cur) m_pFile->Seek(-static_cast<LONGLONG>(m_max - m_cur), CFile::current);
        m_cur = m_max = 0;
        return;
    }
    if (m_cur > 0) {
        const UINT n = m_cur;
        m_cur = 0; // a failed write is not retried by a later Flush
        m_pFile->Write(m_buf.get(), n);
    }
}

void CArchive::Close() {
    if (m_closed) return;
    m_closed = true;
    if (IsStoring()) Flush();
}

void CArchive::Abort() { m_closed = true; }
