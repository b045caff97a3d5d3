#include "data/FormatableSQL.h"

#include <new>
#include <sqlite3.h>
#include <utility>

namespace corvane {

namespace {

// Ends a va_list on every path out of a variadic call, a throwing vformat
// (std::bad_alloc) included.
struct VaListEnd
{
    va_list& args;
    ~VaListEnd() { va_end(args); }
};

} // namespace

FormatableSQL::FormatableSQL(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    const VaListEnd end{args};
    vformat(fmt, args);
}

void FormatableSQL::format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    const VaListEnd end{args};
    vformat(fmt, args);
}

FormatableSQL::~FormatableSQL()
{
    release();
}

FormatableSQL::FormatableSQL(FormatableSQL&& other) noexcept
    : m_text(std::exchange(other.m_text, nullptr))
{}

FormatableSQL& FormatableSQL::operator=(FormatableSQL&& other) noexcept
{
    if (this != &other) {
        release();
        m_text = std::exchange(other.m_text, nullptr);
    }
    return *this;
}

void FormatableSQL::vformat(const char* fmt, va_list args)
{
    release();
    m_text = sqlite3_vmprintf(fmt, args);
    if (m_text == nullptr)
        throw std::bad_alloc();
}

void FormatableSQL::release() noexcept
{
    sqlite3_free(m_text);
    m_text = nullptr;
}

} // namespace corvane
