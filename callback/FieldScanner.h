#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace corvane {

// One left-to-right pass over a callback text, handing out fields. A field
// starts after any run of separators and runs up to the next separator or
// the end; the pass then continues behind that separator. Consequently a run
// of separators counts as one, leading separators are ignored, and a field
// can only be missing, never empty.
//
// The scanner views text owned by the caller, which must outlive it and the
// views it returns. Threads: one at a time. Throws: never.
class FieldScanner
{
public:
    explicit FieldScanner(std::string_view text) noexcept : m_text(text) {}

    // The next field, or nothing when only separators (or nothing) remain.
    std::optional<std::string_view> next(char separator = ',') noexcept;

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace corvane
