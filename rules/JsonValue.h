#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

// One value of a JSON text, as JsonValue::parse reads it: null, a boolean, a
// finite number, a UTF-8 text, an array or an object whose members keep the
// text's order.
//
// parse() is strict (RFC 8259, nothing more): no comments, no trailing
// commas, no leading zeros, no NaN or infinity, no number that overflows a
// double, no unescaped control character, no invalid escape or lone
// surrogate, no duplicate key, no text after the value. It is bounded for
// texts from outside: at most maxDepth nested arrays and objects and
// maxValues values in all, so a hostile text costs at most that much memory
// and stack, never a crash.
//
// Ownership: a plain value owning its children. Threads: one thread per
// value; parse() has no shared state. Throws: std::bad_alloc only.
class JsonValue
{
public:
    enum class Kind
    {
        Null,
        Boolean,
        Number,
        Text,
        Array,
        Object
    };

    struct Limits
    {
        int maxDepth = 32;
        std::size_t maxValues = 1'000'000;
    };

    // The value of the whole text, or nothing with the reason in `error`
    // (what is wrong and at which byte).
    static std::optional<JsonValue> parse(std::string_view text, const Limits& limits,
                                          std::string& error);

    Kind kind() const noexcept { return m_kind; }
    bool isNull() const noexcept { return m_kind == Kind::Null; }
    bool isNumber() const noexcept { return m_kind == Kind::Number; }
    bool isText() const noexcept { return m_kind == Kind::Text; }
    bool isArray() const noexcept { return m_kind == Kind::Array; }
    bool isObject() const noexcept { return m_kind == Kind::Object; }

    bool boolean() const noexcept { return m_boolean; }
    double number() const noexcept { return m_number; }
    const std::string& text() const noexcept { return m_text; }
    const std::vector<JsonValue>& items() const noexcept { return m_items; }
    const std::vector<std::pair<std::string, JsonValue>>& members() const noexcept
    {
        return m_members;
    }
    // The member of an object with this key, or null when there is none (or
    // this is no object).
    const JsonValue* find(std::string_view key) const noexcept;

private:
    friend class JsonParser;

    Kind m_kind = Kind::Null;
    bool m_boolean = false;
    double m_number = 0;
    std::string m_text;
    std::vector<JsonValue> m_items;
    std::vector<std::pair<std::string, JsonValue>> m_members;
};

} // namespace corvane
