#include "browser/scriptcalls/ScriptCall.h"

#include "browser/scriptcalls/ScriptLiteral.h"

#include <charconv>
#include <cmath>

namespace corvane {

ScriptCall::ScriptCall(std::string_view function)
{
    m_text.reserve(function.size() + 64);
    m_text.append(function);
    m_text += '(';
}

void ScriptCall::separate()
{
    if (!m_first) {
        m_text += ", ";
    }
    m_first = false;
}

ScriptCall& ScriptCall::integer(long long value)
{
    separate();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_text.append(buffer, result.ptr);
    return *this;
}

void ScriptCall::appendReal(double value, int decimals)
{
    if (std::isnan(value)) {
        m_text += "NaN";
    } else if (std::isinf(value)) {
        m_text += value < 0 ? "-Infinity" : "Infinity";
    } else {
        // Large enough for the 309 integer digits of the largest double.
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                          std::chars_format::fixed, decimals);
        m_text.append(buffer, result.ptr);
    }
}

ScriptCall& ScriptCall::real(double value, int decimals)
{
    separate();
    appendReal(value, decimals);
    return *this;
}

ScriptCall& ScriptCall::reals(const std::vector<double>& values)
{
    separate();
    m_text += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0)
            m_text += ", ";
        appendReal(values[i], 6);
    }
    m_text += ']';
    return *this;
}

ScriptCall& ScriptCall::text(std::string_view value)
{
    separate();
    ScriptLiteral::appendQuoted(m_text, value);
    return *this;
}

ScriptCall& ScriptCall::raw(std::string_view script)
{
    separate();
    m_text.append(script);
    return *this;
}

std::string ScriptCall::finish(std::string_view terminator)
{
    m_text += ')';
    m_text.append(terminator);
    m_first = true;
    std::string finished = std::move(m_text);
    m_text.clear();
    return finished;
}

} // namespace corvane
