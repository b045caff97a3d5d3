#pragma once

#include <string>

namespace corvane {

// A folder only this user can enter, for names other users must not take or
// reach (the single-instance socket). A folder passes when it is a real
// directory (no symbolic link), owned by the process's user, with no access
// for group or others; a missing one is made with mode 0700.
//
// Threads: any. Throws: only std::bad_alloc.
class PrivateFolder
{
public:
    PrivateFolder() = delete;

    // Makes `path` when it is missing; true when it then passes. Otherwise
    // false, with `problem` telling why.
    static bool prepare(const std::string& path, std::string& problem);

    // The folder for the station's private names: XDG_RUNTIME_DIR when it is
    // set, absolute and passes; otherwise "<temporary folder>/orvex-corvane-<uid>"
    // (TMPDIR, else /tmp), made if missing. Empty, with `problem`, when that
    // folder does not pass either.
    static std::string forStation(std::string& problem);
};

} // namespace corvane
