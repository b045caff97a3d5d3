#include "dialogs/VehicleEditRules.h"

#include "base/File.h"
#include "base/SystemException.h"
#include "base/Trace.h"

#include <algorithm>

namespace corvane {

std::string slashPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string storedImagePath(const std::string& text)
{
    if (text.empty())
        return {};
    try {
        if (File::exists(text.c_str()))
            return text;
    } catch (const SystemException& e) {
        traceException(e);
    }
    return {};
}

std::string storedImagePath(const std::string& text, const std::string& opened)
{
    if (!text.empty() && text == opened)
        return text;
    return storedImagePath(text);
}

} // namespace corvane
