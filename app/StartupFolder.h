#pragma once

#include <QString>

namespace corvane {

// The folder the station was started in (the current directory at start, not
// the executable's folder). app.db, setup.db and the page's images/ are found
// there, however the current directory changes later.
//
// Threads: record() once on the main thread at start, before any other
// thread runs; path() from any thread afterwards. Throws: never.
class StartupFolder
{
public:
    // Reads the current directory; returns whether it could be read.
    static bool record();
    // The recorded folder, without a trailing slash ("/" for the root); empty
    // before record().
    static const QString& path();
    // A file in the recorded folder.
    static QString file(const char* name);
};

} // namespace corvane
