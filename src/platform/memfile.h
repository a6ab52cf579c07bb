// CMemFile: a file held in memory, as the framework's.
//
// A memory file either owns its buffer (it grew it itself, or the buffer was
// handed over with Attach(MallocBuffer, ...)) or reads and writes a buffer
// that stays its caller's (Attach(BYTE*, ...)). An owned buffer grows in
// steps of the grow size; with a grow size of 0, and always for a borrowed
// buffer, the file cannot grow and a write past its end throws
// CMemoryException. Owned buffers come from malloc, so that whoever detaches
// one frees it with free (MallocBuffer does).
#pragma once

#include "platform/file.h"

#include <cstdlib>
#include <memory>

class CMemoryException : public CException {
public:
    std::string What() const override { return "out of memory"; }
};

struct FreeDeleter {
    void operator()(BYTE* p) const { std::free(p); }
};
using MallocBuffer = std::unique_ptr<BYTE[], FreeDeleter>;

class CMemFile : public CFile {
public:
    explicit CMemFile(UINT nGrowBytes = 1024);
    CMemFile(BYTE* pBuffer, UINT nBufferSize) { Attach(pBuffer, nBufferSize); }
    ~CMemFile() override = default;

    // Makes the caller's nBufferSize bytes the file's contents, position 0.
    // The file never frees nor grows them.
    void Attach(BYTE* pBuffer, UINT nBufferSize);
    // Hands a malloc'd buffer of nBufferSize bytes over to the file, which
    // frees it unless it is detached again. It grows by nGrowBytes when
    // written past its end (not at all with 0).
    void Attach(MallocBuffer buffer, UINT nBufferSize, UINT nGrowBytes = 0);
    // Empties the file and hands its owned buffer to the caller (null when
    // there is none, or when the buffer was borrowed). Take GetLength()
    // first: the length goes with the buffer.
    MallocBuffer Detach();

    // The contents, valid until the next write, Attach or Detach.
    const BYTE* GetBuffer() const { return m_data; }

    BOOL Open(const CString& path, UINT flags, CFileException* pError = nullptr) override;
    UINT Read(void* buf, UINT count) override;
    void Write(const void* buf, UINT count) override;
    // Any position from 0 up is allowed (reads past the end return nothing);
    // a negative one throws CFileException::badSeek.
    ULONGLONG Seek(LONGLONG off, UINT from) override;
    ULONGLONG GetLength() const override { return m_size; }
    ULONGLONG GetPosition() const override { return m_pos; }
    void Flush() override {}
    void Close() override { Reset(); }
    void Abort() override { Reset(); }

private:
    void Reset();
    void Grow(ULONGLONG needed);

    MallocBuffer m_owned; // null for a borrowed buffer
    BYTE* m_data = nullptr;
    ULONGLONG m_capacity = 0;
    ULONGLONG m_size = 0;
    ULONGLONG m_pos = 0;
    UINT m_nGrowBytes = 0;
};
