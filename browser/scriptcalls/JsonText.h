#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Writes compact JSON, value by value, the way the toolkit's JSON document
// writes it, so an object handed to the page reads the same whichever wrote
// it:
//
//     JsonText().beginObject().key("id").string("a").key("n").number(2.5)
//         .endObject().finish()  gives  {"id":"a","n":2.5}
//
// Numbers: an integral value within ±2^53 as an integer; any other finite
// value in the shortest form that reads back exactly (fixed or exponent,
// whichever is shorter, fixed on a tie); not finite: null. Strings: '"' and
// '\\' escaped, \b \f \n \r \t by name, every other control character below
// 0x20 as \u00XX; everything else (UTF-8) as it is. Keys are written in the
// order given; the caller keeps them unique and, to match the document,
// alphabetical.
//
// The caller nests begin and end correctly and gives a key before each value
// of an object; a wrong nesting writes wrong JSON (debug builds assert).
//
// A value used by one thread at a time; throws only std::bad_alloc.
class JsonText
{
public:
    JsonText& beginObject();
    JsonText& endObject();
    JsonText& beginArray();
    JsonText& endArray();
    JsonText& key(std::string_view name);
    JsonText& string(std::string_view value);
    JsonText& number(double value);
    JsonText& integer(std::int64_t value);
    // Fixed-point with this many decimals, as "%.*f" writes it in the C
    // locale (so as a page call's real reads); not finite: null.
    JsonText& decimal(double value, int decimals);

    // The text written; the writer is left empty.
    std::string finish();

private:
    void beforeValue();
    JsonText& open(char bracket);
    JsonText& close(char bracket);
    void appendString(std::string_view value);

    std::string m_text;
    // One per open object or array: whether a value has been written in it.
    std::vector<bool> m_written;
    bool m_afterKey = false;
};

} // namespace corvane
