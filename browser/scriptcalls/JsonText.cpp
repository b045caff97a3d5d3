#include "browser/scriptcalls/JsonText.h"

#include <cassert>
#include <charconv>
#include <cmath>

namespace corvane {

void JsonText::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_written.empty()) {
        if (m_written.back())
            m_text += ',';
        m_written.back() = true;
    }
}

JsonText& JsonText::open(char bracket)
{
    beforeValue();
    m_text += bracket;
    m_written.push_back(false);
    return *this;
}

JsonText& JsonText::close(char bracket)
{
    assert(!m_written.empty() && !m_afterKey);
    m_written.pop_back();
    m_text += bracket;
    return *this;
}

JsonText& JsonText::beginObject()
{
    return open('{');
}

JsonText& JsonText::endObject()
{
    return close('}');
}

JsonText& JsonText::beginArray()
{
    return open('[');
}

JsonText& JsonText::endArray()
{
    return close(']');
}

JsonText& JsonText::key(std::string_view name)
{
    assert(!m_written.empty() && !m_afterKey);
    beforeValue();
    appendString(name);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

JsonText& JsonText::string(std::string_view value)
{
    beforeValue();
    appendString(value);
    return *this;
}

JsonText& JsonText::number(double value)
{
    // Integral values up to 2^53 are exact as integers, and the document
    // writes them so (1e15 as 1000000000000000, not 1e+15).
    constexpr double exactIntegers = 9007199254740992.0;
    if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) <= exactIntegers)
        return integer(static_cast<std::int64_t>(value));
    beforeValue();
    if (!std::isfinite(value)) {
        m_text += "null";
        return *this;
    }
    char buffer[32];
    // Without a format, the shortest text that reads back exactly, fixed or
    // exponent, fixed on a tie.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_text.append(buffer, result.ptr);
    return *this;
}

JsonText& JsonText::integer(std::int64_t value)
{
    beforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_text.append(buffer, result.ptr);
    return *this;
}

JsonText& JsonText::decimal(double value, int decimals)
{
    beforeValue();
    if (!std::isfinite(value)) {
        m_text += "null";
        return *this;
    }
    // Large enough for the 309 integer digits of the largest double.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    m_text.append(buffer, result.ptr);
    return *this;
}

void JsonText::appendString(std::string_view value)
{
    static constexpr char digits[] = "0123456789abcdef";
    m_text.reserve(m_text.size() + value.size() + 2);
    m_text += '"';
    for (const char c : value) {
        switch (c) {
        case '"':
            m_text += "\\\"";
            continue;
        case '\\':
            m_text += "\\\\";
            continue;
        case '\b':
            m_text += "\\b";
            continue;
        case '\f':
            m_text += "\\f";
            continue;
        case '\n':
            m_text += "\\n";
            continue;
        case '\r':
            m_text += "\\r";
            continue;
        case '\t':
            m_text += "\\t";
            continue;
        default:
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            m_text += "\\u00";
            m_text += digits[byte >> 4];
            m_text += digits[byte & 0xF];
        } else {
            m_text += c;
        }
    }
    m_text += '"';
}

std::string JsonText::finish()
{
    std::string finished = std::move(m_text);
    m_text.clear();
    m_written.clear();
    m_afterKey = false;
    return finished;
}

} // namespace corvane
