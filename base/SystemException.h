#pragma once

#include "base/Exception.h"

namespace corvane {

// A failed operating-system call. The message is the system's description of
// the code (errno), looked up at construction and kept inside the object.
// Raise it right after the failing call: the one-argument-less form reads
// errno itself, so nothing may run in between that could change it. Where
// other work must happen first, save errno and pass it as the code.
//
// Throws: never. Threads: as Exception.
class SystemException : public Exception
{
public:
    // Code is the calling thread's errno at construction.
    SystemException(const char* name, const char* file, int line, const char* function) noexcept;
    SystemException(const char* name, const char* file, int line, const char* function,
                    int code) noexcept;

    const char* getMessage() const noexcept override { return m_text; }

private:
    char m_text[256];
};

} // namespace corvane
