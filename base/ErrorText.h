#pragma once

#include <cstddef>

namespace corvane {

// Text helpers shared by the exceptions that keep their message inside the
// object. Each writes at most size - 1 characters and always terminates;
// size must be at least 1. None allocates, none throws, all are thread-safe.

// The system's description of an errno value ("No such file or directory").
// An unknown code gives the system's "Unknown error N" text.
void systemErrorText(int code, char* out, std::size_t size) noexcept;

// Copies text, cutting it at size - 1 characters; a null text gives "".
void copyText(const char* text, char* out, std::size_t size) noexcept;

// The given text when there is one, else the system's description of code.
void copyTextOrSystemError(const char* text, int code, char* out, std::size_t size) noexcept;

} // namespace corvane
