#include "platform/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int CFileException::OsErrorToCause(int err) {
    switch (err) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return accessDenied;
    case ESPIPE:
    case EINVAL:
        return badSeek;
    case EIO:
        return hardIO;
    case ETXTBSY:
    case EBUSY:
        return sharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull;
    case EBADF:
        return invalidFile;
    default:
        return genericException;
    }
}

std::string CFileException::What() const {
    if (m_lOsError > 0) return std::strerror(static_cast<int>(m_lOsError));
    switch (m_cause) {
    case fileNotFound:
        return "file not found";
    case badPath:
        return "bad path";
    case accessDenied:
        return "access denied";
    case diskFull:
        return "disk full";
    case endOfFile:
        return "unexpected end of file";
    case hardIO:
        return "I/O error";
    default:
        return "file error";
    }
}

std::string CArchiveException::What() const {
    return m_cause == endOfFile ? "unexpected end of file" : "archive error";
}

CFile::~CFile() { Abort(); }

BOOL CFile::Open(const CString& path, UINT flags, CFileException* pError) {
    Abort();
    m_strFileName = path;
    int oflags = O_CLOEXEC;
    switch (flags & 3) {
    case modeWrite:
        oflags |= O_WRONLY;
        break;
    case modeReadWrite:
        oflags |= O_RDWR;
        break;
    default:
        oflags |= O_RDONLY;
        break;
    }
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate)) oflags |= O_TRUNC;
    }
    auto fail = [&](int err) {
        if (pError) *pError = CFileException(CFileException::OsErrorToCause(err), err, path);
        return FALSE;
    };
    const std::string local = path.LocalPath();
    if (local.empty()) return fail(ENOENT);
    const int fd = ::open(local.c_str(), oflags, 0666);
    if (fd < 0) return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(EISDIR);
    }
    m_fd = fd;
    return TRUE;
}

void CFile::ThrowOsError(int err) const {
    throw CFileException(CFileException::OsErrorToCause(err), err, m_strFileName);
}

UINT CFile::Read(void* buf, UINT count) {
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    auto* p = static_cast<char*>(buf);
    UINT done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOsError(errno);
        }
        if (n == 0) break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* buf, UINT count) {
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    const auto* p = static_cast<const char*>(buf);
    UINT done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOsError(errno);
        }
        if (n == 0) ThrowOsError(ENOSPC);
        done += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(LONGLONG off, UINT from) {
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    const int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    const off_t r = ::lseek(m_fd, static_cast<off_t>(off), whence);
    if (r < 0) throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<ULONGLONG>(r);
}

ULONGLONG CFile::GetLength() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) ThrowOsError(m_fd < 0 ? EBADF : errno);
    return static_cast<ULONGLONG>(st.st_size);
}

ULONGLONG CFile::GetPosition() const {
    const off_t r = m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_CUR);
    if (r < 0) ThrowOsError(m_fd < 0 ? EBADF : errno);
    return static_cast<ULONGLONG>(r);
}

void CFile::Flush() {
    // Writes go straight to the descriptor; nothing is buffered here.
}

void CFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) ThrowOsError(errno);
}

void CFile::Abort() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}
