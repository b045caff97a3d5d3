#pragma once

#include "base/IFormatable.h"
#include "base/IStringConvertable.h"

// Builds an exception of class Type carrying the raise site: the class name
// as spelled, the source file, the line and the full signature of the
// enclosing function. The remaining arguments are Type's own.
//   CORVANE_THROW(SystemException, errorCode);
#define CORVANE_EXCEPTION(Type, ...)                                                               \
    Type(#Type, __FILE__, __LINE__, __PRETTY_FUNCTION__ __VA_OPT__(, ) __VA_ARGS__)
#define CORVANE_THROW(Type, ...) throw CORVANE_EXCEPTION(Type __VA_OPT__(, ) __VA_ARGS__)

namespace corvane {

// Root of every failure the station reports. An exception is a value: raised
// by value, caught by reference, copied freely.
//
// Ownership: name, file and function are static texts of the raise site and
// are never copied or freed. The base class keeps the message pointer it was
// given (not owned); subclasses that own their message text override
// getMessage() and keep the text inside the object, so a copy owns its own.
// Absent (null) texts are kept as empty texts, so every accessor returns a
// terminated text.
//
// Threads: an exception belongs to the thread that raised or caught it.
// Throws: construction and every operation never throw.
class Exception : public IStringConvertable
{
public:
    Exception(const char* name, const char* file, int line, const char* function, int code,
              const char* message) noexcept;
    ~Exception() override = default;

    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;

    // "name: message\tat function(file:line)", through target.format.
    void toString(IFormatable& target) const override;
    virtual int getCode() const noexcept { return m_code; }
    virtual const char* getMessage() const noexcept { return m_message; }

    const char* getName() const noexcept { return m_name; }
    const char* getFile() const noexcept { return m_file; }
    int getLine() const noexcept { return m_line; }
    const char* getFunction() const noexcept { return m_function; }

private:
    const char* m_name;
    const char* m_file;
    int m_line;
    const char* m_function;
    int m_code;
    const char* m_message;
};

} // namespace corvane
