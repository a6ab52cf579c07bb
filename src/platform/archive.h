// CArchive: a buffered reader or writer over a CFile, as the framework's.
//
// Loading: counted reads (Read) return what is there; fixed-size reads
// (EnsureRead and the >> operators) throw CArchiveException::endOfFile when
// the file ends first. Storing: bytes collect in the buffer and go to the
// file when it is full, on Flush and on Close; a failing write surfaces as
// the CFile's CFileException.
#pragma once

#include "platform/file.h"

#include <cstring>
#include <memory>
#include <type_traits>

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* pFile, UINT mode, int bufSize = 4096);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    CFile* GetFile() const { return m_pFile; }

    UINT Read(void* buf, UINT count);
    void EnsureRead(void* buf, UINT count);
    void Write(const void* buf, UINT count);

    // Loading: hands the unread part of the buffer back to the file, so that
    // the file's position is the archive's. Storing: writes the buffer out.
    void Flush();
    // Flushes (storing) and detaches from the file; the file stays open.
    void Close();
    // Detaches without writing and without throwing.
    void Abort();

    template <class T>
    CArchive& operator>>(T& v) {
        static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 8);
        EnsureRead(&v, sizeof v); // little-endian on every machine we build for
        return *this;
    }
    template <class T>
    CArchive& operator<<(const T& v) {
        static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 8);
        Write(&v, sizeof v);
        return *this;
    }

private:
    void FillBuffer();

    CFile* m_pFile;
    UINT m_mode;
    UINT m_bufSize;
    std::unique_ptr<BYTE[]> m_buf;
    UINT m_cur = 0; // next byte to hand out (load) or to fill (store)
    UINT m_max = 0; // end of valid bytes (load)
    bool m_closed = false;
};
