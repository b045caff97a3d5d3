#pragma once

namespace corvane {

class Exception;

// Diagnostic trace hooks, callable from any thread at any time. The station
// writes no log: all three discard their input and never fail.
void traceMessage(const char* format, ...) noexcept;
void traceException(const Exception& e) noexcept;
void traceError(const char* format, ...) noexcept;

} // namespace corvane
