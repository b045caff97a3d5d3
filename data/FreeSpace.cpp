#include "data/FreeSpace.h"

#include <sys/statvfs.h>

namespace corvane {

std::optional<std::uint64_t> freeBytesAt(const std::string& path)
{
    struct statvfs info
    {
    };
    if (::statvfs(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::string folderOf(const std::string& filePath)
{
    const std::size_t slash = filePath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return filePath.substr(0, slash);
}

} // namespace corvane
