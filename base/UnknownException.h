#pragma once

#include "base/Exception.h"

namespace corvane {

// A thrown value of a type the station does not know, carried as an
// Exception: name "UnknownException", file "unknown_file", line 0, function
// "unknown_function", code 0, message "unknown_message".
//
// Throws: never. Threads: as Exception.
class UnknownException : public Exception
{
public:
    UnknownException() noexcept;

    // Just the name.
    void toString(IFormatable& target) const override;
};

} // namespace corvane
