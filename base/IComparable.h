#pragma once

#include "base/IEquatable.h"

namespace corvane {

// Ordering of values of type T. Implementations define lessThan() and
// greaterThan(); the inclusive forms also accept equals(), so a type whose
// ordering leaves out some fields (a time of day ignores its zone) stays
// consistent with its own equality.
template <typename T>
class IComparable : public IEquatable<T>
{
public:
    virtual bool lessThan(const T& other) const = 0;
    virtual bool greaterThan(const T& other) const = 0;
    virtual bool lessOrEqual(const T& other) const
    {
        return lessThan(other) || this->equals(other);
    }
    virtual bool greaterOrEqual(const T& other) const
    {
        return greaterThan(other) || this->equals(other);
    }

protected:
    IComparable() = default;
    IComparable(const IComparable&) = default;
    IComparable& operator=(const IComparable&) = default;
};

} // namespace corvane
