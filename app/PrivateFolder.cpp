#include "app/PrivateFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

bool PrivateFolder::prepare(const std::string& path, std::string& problem)
{
    if (path.empty() || path[0] != '/') {
        problem = "\"" + path + "\" is not an absolute path";
        return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = "cannot make \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    // lstat: a link planted by someone else must not lead into their folder.
    struct stat info = {};
    if (::lstat(path.c_str(), &info) != 0) {
        problem = "cannot read \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        problem = "\"" + path + "\" is not a folder";
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        problem = "\"" + path + "\" belongs to another user";
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        problem = "\"" + path + "\" is open to other users";
        return false;
    }
    return true;
}

std::string PrivateFolder::forStation(std::string& problem)
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        std::string ignored;
        if (prepare(runtime, ignored))
            return runtime;
    }
    std::string temp = "/tmp";
    if (const char* configured = std::getenv("TMPDIR"); configured != nullptr && *configured == '/')
        temp = configured;
    while (temp.size() > 1 && temp.back() == '/')
        temp.pop_back();
    const std::string folder = temp + "/orvex-corvane-" + std::to_string(::geteuid());
    if (!prepare(folder, problem))
        return {};
    return folder;
}

} // namespace corvane
