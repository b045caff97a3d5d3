#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Bytes an unprivileged writer may still use on the file system that holds
// path (statvfs: available blocks times the fragment size); empty when the
// system cannot say (the folder is gone, a permission is missing).
//
// Threads: any. Throws: never but std::bad_alloc.
std::optional<std::uint64_t> freeBytesAt(const std::string& path);

// The folder part of a file path ("." for a bare name).
std::string folderOf(const std::string& filePath);

} // namespace corvane
