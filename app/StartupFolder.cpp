#include "app/StartupFolder.h"

#include <climits>
#include <unistd.h>

namespace corvane {

namespace {

QString& folder()
{
    static QString value;
    return value;
}

} // namespace

bool StartupFolder::record()
{
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return false;
    folder() = QString::fromLocal8Bit(buffer);
    return true;
}

const QString& StartupFolder::path()
{
    return folder();
}

QString StartupFolder::file(const char* name)
{
    const QString& base = folder();
    return base.endsWith(u'/') ? base + QLatin1String(name) : base + u'/' + QLatin1String(name);
}

} // namespace corvane
