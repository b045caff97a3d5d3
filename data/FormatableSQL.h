#pragma once

#include "base/IFormatable.h"

#include <cstdarg>

namespace corvane {

// SQL text built with SQLite's own printf-style formatting. Besides the usual
// conversions it knows "%q" (the text argument with every apostrophe doubled,
// for use inside '...') and "%Q". The text grows to whatever length the
// values need: nothing is ever cut, so statements built here are always the
// statements that were meant.
//
// Ownership: the text is allocated by SQLite and released with sqlite3_free
// on the next format() and on destruction. Move-only.
// Threads: belongs to the thread that made it.
// Throws: std::bad_alloc when SQLite cannot allocate the text.
class FormatableSQL final : public IFormatable
{
public:
    FormatableSQL() noexcept = default;
    // Formats at once, as format(). (No printf format check: the compiler
    // does not know "%q".)
    explicit FormatableSQL(const char* fmt, ...);
    ~FormatableSQL() override;

    FormatableSQL(FormatableSQL&& other) noexcept;
    FormatableSQL& operator=(FormatableSQL&& other) noexcept;
    FormatableSQL(const FormatableSQL&) = delete;
    FormatableSQL& operator=(const FormatableSQL&) = delete;

    // Replaces the text; hides IFormatable::format only to drop its printf
    // format check, which would reject "%q".
    void format(const char* fmt, ...);
    void vformat(const char* fmt, va_list args) override;

    // The text; nullptr before the first formatting.
    const char* getText() const noexcept override { return m_text; }

private:
    void release() noexcept;

    char* m_text = nullptr;
};

} // namespace corvane
