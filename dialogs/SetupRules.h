#pragma once

#include "data/SettingRule.h"

#include <string>

namespace corvane {

// The values the setup dialog edits (their rules are SettingRule's, which
// the station also reads its stored settings by) and how it reads its boxes.
//
// Threads: any. Throws: never but std::bad_alloc.

// A number box's text as a signed integer: optional blanks and sign, then the
// leading digits; text that is not a number reads as 0 and a number beyond
// the int range as the nearest bound.
int parseBoxNumber(const std::string& text) noexcept;

} // namespace corvane
