#include "base/File.h"

#include "base/Exception.h"
#include "base/SystemException.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace corvane {

namespace {

int openFlags(File::Mode mode)
{
    const bool read = mode & File::Read;
    const bool write = mode & File::Write;
    const bool create = mode & File::Create;
    int flags = O_CLOEXEC | O_NOCTTY;
    if (read && write)
        flags |= O_RDWR;
    else if (write)
        flags |= O_WRONLY;
    else if (read || create)
        flags |= O_RDONLY;
    else
        flags |= O_PATH; // no access asked: good for fstat only
    if (mode & File::WriteThrough)
        flags |= O_SYNC;
    if (create)
        flags |= O_CREAT | O_EXCL;
    return flags;
}

// Closes fd keeping errno, for failure paths that raise with errno after.
void closeKeepingErrno(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

// The folder part of path: "." for a bare name, "/" for a root entry.
std::string folderOf(const char* path)
{
    std::string p(path);
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

} // namespace

File::File(const char* path, Mode mode)
{
    open(path, mode);
}

File::~File()
{
    close();
}

File::File(File&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void File::open(const char* path, Mode mode)
{
    int fd;
    do {
        fd = ::open(path, openFlags(mode), 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        CORVANE_THROW(SystemException);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        closeKeepingErrno(fd);
        CORVANE_THROW(SystemException);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        CORVANE_THROW(SystemException, EISDIR);
    }
    close();
    m_fd = fd;
}

bool File::close() noexcept
{
    if (m_fd < 0)
        return true;
    // Linux releases the descriptor even when close reports an error, so it
    // must not be retried; the error still means written data may be lost.
    const int result = ::close(std::exchange(m_fd, -1));
    return result == 0 || errno == EINTR;
}

std::size_t File::read(void* buffer, std::size_t n)
{
    ssize_t got;
    do {
        got = ::read(m_fd, buffer, n);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        CORVANE_THROW(SystemException);
    return static_cast<std::size_t>(got);
}

std::size_t File::write(const void* data, std::size_t n)
{
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(m_fd, p + done, n - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            CORVANE_THROW(SystemException);
        }
        done += static_cast<std::size_t>(put);
    }
    return done;
}

void File::seek(std::uint64_t offset)
{
    if (offset > static_cast<std::uint64_t>(INT64_MAX))
        CORVANE_THROW(SystemException, EINVAL);
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
        CORVANE_THROW(SystemException);
}

std::uint64_t File::tell() const
{
    const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
    if (at < 0)
        CORVANE_THROW(SystemException);
    return static_cast<std::uint64_t>(at);
}

void File::truncate()
{
    const std::uint64_t at = tell();
    if (::ftruncate(m_fd, static_cast<off_t>(at)) != 0)
        CORVANE_THROW(SystemException);
}

void File::truncate(std::uint32_t length)
{
    seek(length);
    truncate();
}

void File::flush()
{
    if (::fsync(m_fd) != 0)
        CORVANE_THROW(SystemException);
}

std::uint64_t File::size() const
{
    return size(m_fd);
}

bool File::exists(const char* path)
{
    // Non-blocking, so that a FIFO without a writer does not hang the test.
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        struct stat st;
        const int result = ::fstat(fd, &st);
        const int error = errno;
        ::close(fd);
        if (result != 0)
            CORVANE_THROW(SystemException, error);
        if (S_ISDIR(st.st_mode))
            CORVANE_THROW(SystemException, EISDIR);
        return true;
    }
    const int error = errno;
    if (error != ENOENT)
        CORVANE_THROW(SystemException, error);
    // ENOENT stands for a missing file and a missing folder alike; only the
    // first is a plain "no".
    struct stat folder;
    if (::stat(folderOf(path).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode))
        return false;
    CORVANE_THROW(SystemException, ENOENT);
}

void File::create(const char* path, std::uint64_t size)
{
    if (size > static_cast<std::uint64_t>(INT64_MAX))
        CORVANE_THROW(SystemException, EFBIG);
    File file(path, Read | Write | WriteThrough | Create);
    if (::ftruncate(file.m_fd, static_cast<off_t>(size)) != 0) {
        const int error = errno;
        file.close();
        ::unlink(path);
        CORVANE_THROW(SystemException, error);
    }
    if (!file.close()) {
        const int error = errno;
        ::unlink(path);
        CORVANE_THROW(SystemException, error);
    }
}

std::uint64_t File::size(const char* path)
{
    struct stat st;
    if (::stat(path, &st) != 0)
        CORVANE_THROW(SystemException);
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t File::size(int handle)
{
    struct stat st;
    if (::fstat(handle, &st) != 0)
        CORVANE_THROW(SystemException);
    return static_cast<std::uint64_t>(st.st_size);
}

bool File::isReadOnly(const char* path)
{
    struct stat st;
    if (::stat(path, &st) != 0)
        CORVANE_THROW(SystemException);
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool File::isPhysicalDrive(const char* path) noexcept
{
    static constexpr char prefix[] = "\\\\.\\PHYSICALDRIVE";
    return path && std::strncmp(path, prefix, sizeof prefix - 1) == 0;
}

std::uint64_t File::freeSize(const char* directory)
{
    struct statvfs vfs;
    if (::statvfs(directory, &vfs) != 0)
        CORVANE_THROW(SystemException);
    return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

bool File::remove(const char* path) noexcept
{
    return ::unlink(path) == 0;
}

bool File::rename(const char* from, const char* to) noexcept
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without no-replace renames: a hard link refuses an
    // existing target just the same.
    if (::link(from, to) != 0)
        return false;
    return ::unlink(from) == 0;
}

std::string File::tempName()
{
    char name[] = "/tmp/cvXXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0)
        CORVANE_THROW(SystemException);
    ::close(fd);
    ::unlink(name);
    return name;
}

} // namespace corvane
