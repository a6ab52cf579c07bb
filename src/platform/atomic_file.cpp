#include "platform/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Folder and name of a local path; the folder keeps its trailing slash.
std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

AtomicFile::~AtomicFile() {
    Discard();
}

BOOL AtomicFile::Open(const CString& path, UINT /*flags*/, CFileException* pError) {
    Discard();
    m_strFileName = path;
    auto fail = [&](int err) {
        if (pError) *pError = CFileException(CFileException::OsErrorToCause(err), err, path);
        return FALSE;
    };
    m_target = path.LocalPath();
    if (m_target.empty() || m_target.back() == '/') return fail(m_target.empty() ? ENOENT : EISDIR);

    struct stat st {};
    bool exists = ::lstat(m_target.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        // Replace what the link points at, not the link.
        if (char* real = ::realpath(m_target.c_str(), nullptr)) {
            m_target = real;
            std::free(real);
        }
        exists = ::stat(m_target.c_str(), &st) == 0;
    }
    if (exists && S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        // A pipe that no program reads would hold the open for ever: it is
        // opened without waiting (and refused with ENXIO then), and written
        // with waiting once a reader is there.
        const int fd = ::open(m_target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return fail(errno);
        const int fl = ::fcntl(fd, F_GETFL);
        if (fl == -1 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == -1) {
            const int err = errno;
            ::close(fd);
            return fail(err);
        }
        m_fd = fd;
        return TRUE;
    }
    if (exists && ::access(m_target.c_str(), W_OK) != 0) return fail(errno);

    // ".name.XXXXXX" beside the target; the name is shortened so that the
    // temporary name stays within the file system's limit.
    std::string stem = NameOf(m_target).substr(0, 200);
    std::random_device rd;
    std::mt19937 rng(rd());
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = FolderOf(m_target) + "." + stem + ".";
        for (int i = 0; i < 6; ++i) temp += kDigits[rng() % (sizeof kDigits - 1)];
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return fail(errno);
        }
        if (exists) ::fchmod(fd, st.st_mode & 07777);
        m_fd = fd;
        m_temp = std::move(temp);
        return TRUE;
    }
    return fail(EEXIST);
}

void AtomicFile::Commit() {
    if (m_fd < 0) return;
    if (m_temp.empty()) { // a device or pipe, written directly
        CFile::Close();
        return;
    }
    int err = 0;
    if (::fdatasync(m_fd) != 0 && errno != EINVAL) err = errno;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR && err == 0) err = errno;
    if (err == 0 && ::rename(m_temp.c_str(), m_target.c_str()) != 0) err = errno;
    if (err != 0) {
        Discard();
        ThrowOsError(err);
    }
    m_temp.clear();
}

void AtomicFile::Discard() {
    CFile::Abort();
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    m_temp.clear();
}
