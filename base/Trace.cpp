#include "base/Trace.h"

#include "base/Exception.h"
#include "base/FormatableBuffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <unistd.h>

namespace corvane {

namespace {

std::mutex g_logMutex;
std::shared_ptr<spdlog::logger> g_log;

std::shared_ptr<spdlog::logger> currentLog() noexcept
{
    std::lock_guard lock(g_logMutex);
    return g_log;
}

// The log names vehicles and senders: a file the sink is about to create is
// made the owner's alone first (the sink itself would take the umask).
void createPrivately(const spdlog::filename_t& name)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

// Traces carry texts from the network: one trace is one line, so a line
// break or other control character in a sender's text can't forge lines.
void oneLine(char* text) noexcept
{
    std::size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        text[--length] = '\0';
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f)
            text[i] = ' ';
    }
}

void write(spdlog::level::level_enum level, const char* text) noexcept
{
    const std::shared_ptr<spdlog::logger> log = currentLog();
    if (!log)
        return;
    try {
        log->log(level, "{}", text);
    } catch (...) {
        // A trace never takes the caller down with it.
    }
}

void write(spdlog::level::level_enum level, const char* format, va_list args) noexcept
{
    if (format == nullptr || !currentLog())
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    oneLine(text);
    write(level, text);
}

} // namespace

void traceMessage(const char* format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    write(spdlog::level::info, format, args);
    va_end(args);
}

void traceError(const char* format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    write(spdlog::level::err, format, args);
    va_end(args);
}

void traceException(const Exception& e) noexcept
{
    if (!currentLog())
        return;
    FormatableBuffer<1024> formatted;
    e.toString(formatted);
    char text[1024];
    std::snprintf(text, sizeof text, "%s", formatted.getText());
    oneLine(text);
    write(spdlog::level::err, text);
}

bool openTraceLog(const std::string& path, std::size_t maxBytes) noexcept
{
    try {
        spdlog::file_event_handlers handlers;
        handlers.before_open = createPrivately;
        // One older file beside the current one: two files at the most.
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, maxBytes, 1, false,
                                                                          handlers);
        auto log = std::make_shared<spdlog::logger>("corvane", std::move(sink));
        log->set_pattern("%Y-%m-%d %H:%M:%S.%e %-5!l [%t] %v");
        log->set_level(spdlog::level::info);
        // Every line reaches the file at once: the trail must survive a crash.
        log->flush_on(spdlog::level::info);
        std::lock_guard lock(g_logMutex);
        g_log = std::move(log);
        return true;
    } catch (...) {
        return false;
    }
}

void closeTraceLog() noexcept
{
    std::shared_ptr<spdlog::logger> log;
    {
        std::lock_guard lock(g_logMutex);
        log.swap(g_log);
    }
    if (log) {
        try {
            log->flush();
        } catch (...) {
        }
    }
}

} // namespace corvane
