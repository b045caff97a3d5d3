#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Composes the text of one call of a page function, argument by argument:
//
//     ScriptCall("moveTo").real(lat).real(lon).integer(7).text(id).finish(";")
//
// gives "moveTo(<lat>, <lon>, 7, '<id>');". Arguments are separated by ", ".
// Texts are always quoted and escaped (ScriptLiteral), so no argument can end
// its literal or the call early. The buffer grows as needed: no argument is
// ever cut.
//
// Numbers are written without regard to the process locale: integer() as a
// signed decimal, real() fixed-point with six decimals (or as many as asked),
// as "%d" and "%f" do in the C locale. A real that is not finite is written
// NaN, Infinity or -Infinity, so that the call still parses. raw() appends a
// value already written as script (an array or an object literal) as it is.
//
// A value type used by one thread at a time; throws only std::bad_alloc.
class ScriptCall
{
public:
    explicit ScriptCall(std::string_view function);

    ScriptCall& integer(long long value);
    ScriptCall& real(double value, int decimals = 6);
    ScriptCall& text(std::string_view value);
    // An array literal of reals, "[a, b, ...]", each as real() writes it.
    ScriptCall& reals(const std::vector<double>& values);
    ScriptCall& raw(std::string_view script);

    // Closes the argument list, appends terminator (";" or nothing) and hands
    // over the finished text; the builder is left empty.
    std::string finish(std::string_view terminator = {});

private:
    void separate();
    void appendReal(double value, int decimals);

    std::string m_text;
    bool m_first = true;
};

} // namespace corvane
