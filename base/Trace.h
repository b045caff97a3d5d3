#pragma once

#include <cstddef>
#include <string>

namespace corvane {

class Exception;

// Diagnostic trace hooks, callable from any thread at any time; they never
// fail and never throw. Until openTraceLog() succeeds (and after
// closeTraceLog()) they discard their input; in between they append one
// line each to the trace log, so that the faults the station survives leave
// a trail.
void traceMessage(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));
void traceException(const Exception& e) noexcept;
void traceError(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));

// Sends the hooks to the file at `path`, rotated when it would pass
// `maxBytes`: the log is `path` and one older file beside it (the name with
// ".1" before its extension), so it never takes more than twice `maxBytes`.
// Both files are readable by their owner only. Returns false (and the hooks
// keep discarding) when the file cannot be opened. Any thread; replaces a
// log opened before.
bool openTraceLog(const std::string& path, std::size_t maxBytes = 4u * 1024u * 1024u) noexcept;
// Flushes and closes the log; the hooks discard from here on.
void closeTraceLog() noexcept;

} // namespace corvane
