#pragma once

#include "base/IFormatable.h"

namespace corvane {

// Anything that can write its own text into a text target. toString()
// replaces the target's text through IFormatable::format, so a target of too
// small a capacity cuts the text.
//
// Threads: as the implementing value. Throws: only what the target throws.
class IStringConvertable
{
public:
    virtual ~IStringConvertable() = default;
    virtual void toString(IFormatable& target) const = 0;

protected:
    IStringConvertable() = default;
    IStringConvertable(const IStringConvertable&) = default;
    IStringConvertable& operator=(const IStringConvertable&) = default;
};

} // namespace corvane
