#include "base/Trace.h"

#include "base/Exception.h"
#include "base/FormatableBuffer.h"

#include <array>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <unistd.h>
#include <vector>

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

// What one call site may still write this second. A flood of one kind (a
// sender's datagrams, say) would otherwise fill the log and rotate away the
// trail of everything else within seconds.
struct Budget
{
    const void* site = nullptr;
    std::int64_t second = 0;
    int written = 0;
    std::uint64_t leftOut = 0;
    spdlog::level::level_enum level = spdlog::level::info;
    char label[48] = {};
};

constexpr std::size_t budgetSlots = 128;
std::mutex g_budgetMutex; // guards g_budgets and g_linesPerSecond
std::array<Budget, budgetSlots> g_budgets;
int g_linesPerSecond = traceLinesPerSecond;

std::int64_t currentSecond() noexcept
{
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

// A line that tells how many lines of one kind were left out.
struct LeftOut
{
    spdlog::level::level_enum level;
    std::uint64_t count;
    char label[48];
};

void takeLeftOut(Budget& budget, std::vector<LeftOut>& reports)
{
    if (budget.leftOut == 0)
        return;
    LeftOut report{budget.level, budget.leftOut, {}};
    std::memcpy(report.label, budget.label, sizeof report.label);
    reports.push_back(report);
    budget.leftOut = 0;
}

// The slot of a call site: the site's own, a free one, or (with every slot
// taken by others) the last, which the remaining sites then share.
Budget& budgetOf(const void* site) noexcept
{
    const auto start = (reinterpret_cast<std::uintptr_t>(site) >> 4) % budgetSlots;
    for (std::size_t i = 0; i < budgetSlots; ++i) {
        Budget& budget = g_budgets[(start + i) % budgetSlots];
        if (budget.site == site || budget.site == nullptr) {
            budget.site = site;
            return budget;
        }
    }
    return g_budgets[budgetSlots - 1];
}

// Whether the site may write now; moves the counts of kinds whose second has
// passed into reports, so that a flood's count comes out even when the
// flood has stopped.
bool admit(const void* site, spdlog::level::level_enum level, const char* label,
           std::vector<LeftOut>& reports) noexcept
{
    const std::int64_t now = currentSecond();
    std::lock_guard lock(g_budgetMutex);
    Budget& budget = budgetOf(site);
    if (budget.second != now) {
        budget.second = now;
        budget.written = 0;
    }
    const bool admitted = budget.written < g_linesPerSecond;
    if (admitted) {
        ++budget.written;
        try {
            for (Budget& other : g_budgets) {
                if (other.site != nullptr && (&other == &budget || other.second != now))
                    takeLeftOut(other, reports);
            }
        } catch (...) {
            // Without room for the report the counts wait for the next line.
        }
    } else {
        ++budget.leftOut;
    }
    budget.level = level;
    std::snprintf(budget.label, sizeof budget.label, "%s", label != nullptr ? label : "");
    return admitted;
}

void writeLeftOut(const std::shared_ptr<spdlog::logger>& log, const std::vector<LeftOut>& reports)
{
    for (const LeftOut& report : reports) {
        try {
            log->log(report.level, "{} more lines like \"{}\" left out", report.count,
                     report.label);
        } catch (...) {
        }
    }
}

// The log when this site may write now, after the counts of lines left out
// that are due; null when there is no log or the site has used its second.
std::shared_ptr<spdlog::logger> admittedLog(const void* site, spdlog::level::level_enum level,
                                            const char* label) noexcept
{
    std::shared_ptr<spdlog::logger> log = currentLog();
    if (!log)
        return nullptr;
    std::vector<LeftOut> reports;
    if (!admit(site, level, label, reports))
        return nullptr;
    writeLeftOut(log, reports);
    return log;
}

void write(const std::shared_ptr<spdlog::logger>& log, spdlog::level::level_enum level,
           const char* text) noexcept
{
    try {
        log->log(level, "{}", text);
    } catch (...) {
        // A trace never takes the caller down with it.
    }
}

void write(const void* site, spdlog::level::level_enum level, const char* format,
           va_list args) noexcept
{
    if (format == nullptr)
        return;
    const std::shared_ptr<spdlog::logger> log = admittedLog(site, level, format);
    if (!log)
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    oneLine(text);
    write(log, level, text);
}

} // namespace

// A kind of trace is its call site: the address the hook returns to.

void traceMessage(const char* format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    write(__builtin_return_address(0), spdlog::level::info, format, args);
    va_end(args);
}

void traceError(const char* format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    write(__builtin_return_address(0), spdlog::level::err, format, args);
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
    const std::shared_ptr<spdlog::logger> log =
        admittedLog(__builtin_return_address(0), spdlog::level::err, text);
    if (log)
        write(log, spdlog::level::err, text);
}

bool openTraceLog(const std::string& path, std::size_t maxBytes, int linesPerSecond) noexcept
{
    {
        // A new log starts with every site's full allowance.
        std::lock_guard lock(g_budgetMutex);
        g_linesPerSecond = linesPerSecond;
        g_budgets.fill(Budget());
    }
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
        std::vector<LeftOut> reports;
        try {
            std::lock_guard lock(g_budgetMutex);
            for (Budget& budget : g_budgets)
                takeLeftOut(budget, reports);
        } catch (...) {
        }
        writeLeftOut(log, reports);
        try {
            log->flush();
        } catch (...) {
        }
    }
}

} // namespace corvane
