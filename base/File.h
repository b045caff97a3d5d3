#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// One open file (an owned POSIX descriptor) plus static path operations.
//
// Ownership: a File owns its descriptor and closes it on destruction; it can
// be moved, not copied. A File whose open failed does not exist: the
// constructor raises. Directories are not files: opening one fails (EISDIR).
// Threads: one thread at a time per object; the static operations may be
// called from any thread.
// Throws: every failing operation raises SystemException (name
// "SystemException", the failing call's errno as code, the operation's own
// signature as function), except close, remove and rename, which report
// failure by their result.
class File
{
public:
    using Mode = std::uint32_t;
    static constexpr Mode Read = 1;
    static constexpr Mode Write = 2;
    static constexpr Mode WriteThrough = 4; // every write reaches the disk before returning
    static constexpr Mode Create = 8;       // a new file; fails if the path exists

    // Closed; open() it later.
    File() noexcept = default;
    File(const char* path, Mode mode);
    ~File();

    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // Opens path with the mode bits above; without Create the file must
    // exist. A File that was open is closed only once the new open succeeded.
    // Without Read and Write the file is opened for queries such as size().
    void open(const char* path, Mode mode);
    // True when closed now or already closed; false when the system reported
    // an error on closing (written data may be lost). Closed afterwards
    // either way.
    bool close() noexcept;
    bool isOpen() const noexcept { return m_fd >= 0; }
    int getHandle() const noexcept { return m_fd; }

    // Bytes read, 0 at the end of the file.
    std::size_t read(void* buffer, std::size_t n);
    // Writes all n bytes (or raises); returns n.
    std::size_t write(const void* data, std::size_t n);
    void seek(std::uint64_t offset);
    std::uint64_t tell() const;
    // Ends the file at the current position.
    void truncate();
    // Seeks to length, then ends the file there.
    void truncate(std::uint32_t length);
    void flush();
    std::uint64_t size() const;
    static constexpr std::uint32_t blockSize() noexcept { return 1024; }

    // True when path names something that opens for reading; false when it
    // is missing from a folder that exists. A missing folder, a directory,
    // missing permission and every other failure raise.
    static bool exists(const char* path);
    // Makes a new file of the given size; raises if the path exists. A file
    // that was made but could not be sized is removed again before raising.
    static void create(const char* path, std::uint64_t size);
    static std::uint64_t size(const char* path);
    static std::uint64_t size(int handle);
    // True when nobody has write permission on path.
    static bool isReadOnly(const char* path);
    // True when path starts with the raw-disk prefix \\.\PHYSICALDRIVE.
    static bool isPhysicalDrive(const char* path) noexcept;
    // Bytes free for the caller on the file system holding directory.
    static std::uint64_t freeSize(const char* directory);
    static bool remove(const char* path) noexcept;
    // Never replaces an existing target: false when to exists.
    static bool rename(const char* from, const char* to) noexcept;
    // A fresh name of at most 13 characters for a temporary file, which does
    // not exist when the call returns.
    static std::string tempName();

private:
    int m_fd = -1;
};

} // namespace corvane
