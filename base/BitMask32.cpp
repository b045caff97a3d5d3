#include "base/BitMask32.h"

namespace corvane {

void BitMask32::toString(IFormatable& target) const
{
    char text[textLength + 1] = {'0', 'b'};
    for (int bit = 0; bit < 32; ++bit)
        text[2 + bit] = (m_value >> (31 - bit)) & 1u ? '1' : '0';
    text[textLength] = '\0';
    target.format("%s", text);
}

} // namespace corvane
