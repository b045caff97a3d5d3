#include "callback/FieldScanner.h"

namespace corvane {

std::optional<std::string_view> FieldScanner::next(char separator) noexcept
{
    while (m_pos < m_text.size() && m_text[m_pos] == separator) {
        ++m_pos;
    }
    if (m_pos >= m_text.size()) {
        return std::nullopt;
    }
    const std::size_t start = m_pos;
    const std::size_t end = m_text.find(separator, start);
    if (end == std::string_view::npos) {
        m_pos = m_text.size();
        return m_text.substr(start);
    }
    m_pos = end + 1;
    return m_text.substr(start, end - start);
}

} // namespace corvane
