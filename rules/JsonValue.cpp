#include "rules/JsonValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace corvane {

// The reader behind JsonValue::parse; one per text.
class JsonParser
{
public:
    JsonParser(std::string_view text, const JsonValue::Limits& limits, std::string& error)
        : m_text(text), m_limits(limits), m_error(error)
    {}

    bool document(JsonValue& out)
    {
        skipBlanks();
        if (!value(out, 0))
            return false;
        skipBlanks();
        if (m_pos != m_text.size())
            return fail("text after the value");
        return true;
    }

private:
    bool fail(const char* what)
    {
        m_error = std::string(what) + " at byte " + std::to_string(m_pos);
        return false;
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    bool literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return fail("unknown word");
        m_pos += word.size();
        return true;
    }

    bool value(JsonValue& out, int depth)
    {
        if (++m_values > m_limits.maxValues)
            return fail("too many values");
        if (m_pos >= m_text.size())
            return fail("value missing");
        switch (m_text[m_pos]) {
        case '{':
            return object(out, depth + 1);
        case '[':
            return array(out, depth + 1);
        case '"':
            out.m_kind = JsonValue::Kind::Text;
            return string(out.m_text);
        case 't':
            out.m_kind = JsonValue::Kind::Boolean;
            out.m_boolean = true;
            return literal("true");
        case 'f':
            out.m_kind = JsonValue::Kind::Boolean;
            return literal("false");
        case 'n':
            out.m_kind = JsonValue::Kind::Null;
            return literal("null");
        default:
            out.m_kind = JsonValue::Kind::Number;
            return number(out.m_number);
        }
    }

    bool digits()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
            ++m_pos;
        return m_pos > start;
    }

    bool number(double& out)
    {
        const std::size_t start = m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '-')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '0') {
            ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
                return fail("leading zero");
        } else if (!digits())
            return fail("not a value");
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            if (!digits())
                return fail("digits missing after the point");
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            if (!digits())
                return fail("digits missing in the exponent");
        }
        const char* first = m_text.data() + start;
        const char* last = m_text.data() + m_pos;
        const auto result = std::from_chars(first, last, out);
        if (result.ec != std::errc() || result.ptr != last || !std::isfinite(out)) {
            m_pos = start;
            return fail("number out of range");
        }
        return true;
    }

    bool hex4(std::uint32_t& out)
    {
        if (m_text.size() - m_pos < 4)
            return fail("short \\u escape");
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            out <<= 4;
            if (c >= '0' && c <= '9')
                out |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                out |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                out |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return fail("bad \\u escape");
        }
        return true;
    }

    static void appendUtf8(std::string& out, std::uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool escape(std::string& out)
    {
        if (m_pos >= m_text.size())
            return fail("text not closed");
        const char c = m_text[m_pos++];
        switch (c) {
        case '"':
        case '\\':
        case '/':
            out += c;
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            --m_pos;
            return fail("bad escape");
        }
        std::uint32_t code = 0;
        if (!hex4(code))
            return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return fail("lone low surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = 0;
            if (m_text.substr(m_pos, 2) != "\\u")
                return fail("lone high surrogate");
            m_pos += 2;
            if (!hex4(low))
                return false;
            if (low < 0xDC00 || low > 0xDFFF)
                return fail("lone high surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        return true;
    }

    bool string(std::string& out)
    {
        ++m_pos; // the opening quote
        while (true) {
            if (m_pos >= m_text.size())
                return fail("text not closed");
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("control character in a text");
            ++m_pos;
            if (c != '\\')
                out += c;
            else if (!escape(out))
                return false;
        }
    }

    bool tooDeep(int depth)
    {
        if (depth <= m_limits.maxDepth)
            return false;
        fail("nested too deeply");
        return true;
    }

    bool take(char c)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

    // The elements of an array or object after its opening bracket, up to
    // and with its closing one: none, or element() for each, separated by
    // commas.
    template <typename Element>
    bool sequence(char closer, const char* expected, Element element)
    {
        ++m_pos;
        skipBlanks();
        if (take(closer))
            return true;
        while (true) {
            skipBlanks();
            if (!element())
                return false;
            skipBlanks();
            if (take(','))
                continue;
            if (take(closer))
                return true;
            return fail(expected);
        }
    }

    bool array(JsonValue& out, int depth)
    {
        if (tooDeep(depth))
            return false;
        out.m_kind = JsonValue::Kind::Array;
        return sequence(']', "',' or ']' expected", [&] {
            out.m_items.emplace_back();
            return value(out.m_items.back(), depth);
        });
    }

    bool object(JsonValue& out, int depth)
    {
        if (tooDeep(depth))
            return false;
        out.m_kind = JsonValue::Kind::Object;
        const bool read = sequence('}', "',' or '}' expected", [&] {
            if (m_pos >= m_text.size() || m_text[m_pos] != '"')
                return fail("key expected");
            std::string key;
            if (!string(key))
                return false;
            skipBlanks();
            if (!take(':'))
                return fail("':' expected");
            skipBlanks();
            out.m_members.emplace_back(std::move(key), JsonValue());
            return value(out.m_members.back().second, depth);
        });
        return read && (!hasDuplicateKey(out) || fail("duplicate key"));
    }

    // Two members of one key would leave it open which one counts.
    static bool hasDuplicateKey(const JsonValue& object)
    {
        std::vector<std::string_view> keys;
        keys.reserve(object.m_members.size());
        for (const auto& member : object.m_members)
            keys.push_back(member.first);
        std::sort(keys.begin(), keys.end());
        return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
    }

    std::string_view m_text;
    const JsonValue::Limits& m_limits;
    std::string& m_error;
    std::size_t m_pos = 0;
    std::size_t m_values = 0;
};

std::optional<JsonValue> JsonValue::parse(std::string_view text, const Limits& limits,
                                          std::string& error)
{
    JsonValue root;
    JsonParser parser(text, limits, error);
    if (!parser.document(root))
        return std::nullopt;
    error.clear();
    return root;
}

const JsonValue* JsonValue::find(std::string_view key) const noexcept
{
    for (const auto& member : m_members)
        if (member.first == key)
            return &member.second;
    return nullptr;
}

} // namespace corvane
