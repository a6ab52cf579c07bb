// CFile and the file and archive exceptions.
//
// Readers rely on which exception cause ends their data, so the causes are
// the framework's, and each OS error maps to the cause the framework gives it.
// Exceptions are thrown by value and caught by reference: "deleting the
// exception object" is the end of the catch block.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

#include <string>

class CException {
public:
    virtual ~CException() = default;
    // A short English description, for the command line's error lines.
    virtual std::string What() const = 0;
};

class CFileException : public CException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    CFileException() = default;
    CFileException(int cause, long osError = -1, CString fileName = {})
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

    static int OsErrorToCause(int err);
    std::string What() const override;

    int m_cause = none;
    long m_lOsError = -1;
    CString m_strFileName;
};

class CArchiveException : public CException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7,
    };

    explicit CArchiveException(int cause = none) : m_cause(cause) {}
    std::string What() const override;

    int m_cause = none;
};

// An unbuffered file over a POSIX descriptor.
class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file; on failure returns FALSE and, when given, fills pError.
    // Share modes are accepted and not enforced (POSIX has no share locks). A
    // folder is refused with accessDenied, as the framework does.
    virtual BOOL Open(const CString& path, UINT flags, CFileException* pError = nullptr);

    // Reads up to count bytes; fewer at the end of the file. Throws
    // CFileException on an I/O error.
    virtual UINT Read(void* buf, UINT count);
    // Writes all count bytes or throws CFileException (diskFull, hardIO, ...).
    virtual void Write(const void* buf, UINT count);
    virtual ULONGLONG Seek(LONGLONG off, UINT from);
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    // Closes the file; throws CFileException when the close reports an error.
    virtual void Close();
    // Closes without throwing.
    virtual void Abort();

    bool IsOpen() const { return m_fd >= 0; }
    const CString& GetFilePath() const { return m_strFileName; }

protected:
    [[noreturn]] void ThrowOsError(int err) const;

    int m_fd = -1;
    CString m_strFileName;
};
