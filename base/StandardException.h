#pragma once

#include "base/Exception.h"

#include <exception>

namespace corvane {

// A standard-library exception that ended a thread's body, carried as an
// Exception. It has no raise site of its own: name "UnknownException", file
// "unknown_file", line 0, function "unknown_function", code 0. The message
// is a copy of the standard exception's what(), cut at 511 characters, made
// without allocating (the wrapped exception may be std::bad_alloc).
//
// Throws: never. Threads: as Exception.
class StandardException : public Exception
{
public:
    explicit StandardException(const std::exception& e) noexcept;

    // "name: message"
    void toString(IFormatable& target) const override;
    const char* getMessage() const noexcept override { return m_text; }

private:
    char m_text[512];
};

} // namespace corvane
