#pragma once

namespace corvane {

// Equality of values of type T. Implementations define equals(); notEquals()
// is its negation. Throws: never, unless the implementation says so.
template <typename T>
class IEquatable
{
public:
    virtual ~IEquatable() = default;
    virtual bool equals(const T& other) const = 0;
    virtual bool notEquals(const T& other) const { return !equals(other); }

protected:
    IEquatable() = default;
    IEquatable(const IEquatable&) = default;
    IEquatable& operator=(const IEquatable&) = default;
};

} // namespace corvane
