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
//
// Each call site of a hook writes at most the log's lines per second
// (traceLinesPerSecond unless openTraceLog was told otherwise); the lines
// beyond are not formatted, only counted, and the count comes out as one
// line ("12345 more lines like "<format>" left out") before the next line
// any site writes after that second, or when the log is closed. So a flood
// of one kind costs little and cannot rotate the rest of the trail away.
void traceMessage(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));
void traceException(const Exception& e) noexcept;
void traceError(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));

// Sends the hooks to the file at `path`, rotated when it would pass
// `maxBytes`: the log is `path` and one older file beside it (the name with
// ".1" before its extension), so it never takes more than twice `maxBytes`.
// Both files are readable by their owner only. Returns false (and the hooks
// keep discarding) when the file cannot be opened. Any thread; replaces a
// log opened before.
inline constexpr int traceLinesPerSecond = 5;
bool openTraceLog(const std::string& path, std::size_t maxBytes = 4u * 1024u * 1024u,
                  int linesPerSecond = traceLinesPerSecond) noexcept;
// Flushes and closes the log; the hooks discard from here on.
void closeTraceLog() noexcept;

} // namespace corvane
