#include "base/Exception.h"
#include "base/FormatableBuffer.h"
#include "base/SocketAddressInfoException.h"
#include "base/SocketException.h"
#include "base/StandardException.h"
#include "base/SystemException.h"
#include "base/UnknownException.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <netdb.h>
#include <new>
#include <stdexcept>
#include <string>

namespace corvane {
namespace {

std::string textOf(const Exception& e)
{
    FormatableBuffer<2048> out;
    e.toString(out);
    return out.getText();
}

TEST(ExceptionTest, ToStringLines)
{
    const std::bad_alloc oom;
    struct Case
    {
        std::unique_ptr<Exception> e;
        const char* line;
    };
    Case cases[] = {
        {std::make_unique<Exception>("Exception", "a.cpp", 7, "void f(int)", 3, "broken"),
         "Exception: broken\tat void f(int)(a.cpp:7)"},
        {std::make_unique<SystemException>("SystemException", "File.cpp", 12,
                                           "bool corvane::File::exists(const char*)", ENOENT),
         "SystemException: No such file or directory\tat "
         "bool corvane::File::exists(const char*)(File.cpp:12)"},
        {std::make_unique<SocketException>("SocketException", "s.cpp", 1, "int g()", EACCES),
         "SocketException: Permission denied\tat int g()(s.cpp:1)"},
        {std::make_unique<SocketException>("SocketException", "s.cpp", 2, "int g()", 90, "mine"),
         "SocketException: mine\tat int g()(s.cpp:2)"},
        {std::make_unique<SocketAddressException>("SocketAddressException", "s.cpp", 3, "h()",
                                                  ECONNREFUSED),
         "SocketAddressException: Connection refused\tat h()(s.cpp:3)"},
        {std::make_unique<SocketAddressInfoException>("SocketAddressInfoException", "a.cpp", 4,
                                                      "r()", EAI_NONAME),
         "SocketAddressInfoException: Name or service not known\tat r()(a.cpp:4)"},
        {std::make_unique<StandardException>(oom), "UnknownException: std::bad_alloc"},
        {std::make_unique<StandardException>(std::out_of_range("index 9")),
         "UnknownException: index 9"},
        {std::make_unique<UnknownException>(), "UnknownException"},
        // Absent texts become empty texts rather than crashing the formatting.
        {std::make_unique<Exception>(nullptr, nullptr, 0, nullptr, 0, nullptr), ": \tat (:0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.line, textOf(*c.e));
    }
}

TEST(ExceptionTest, FixedLocationOfWrappedExceptions)
{
    const StandardException s{std::runtime_error("boom")};
    const UnknownException u;
    for (const Exception* e :
         {static_cast<const Exception*>(&s), static_cast<const Exception*>(&u)}) {
        EXPECT_STREQ("UnknownException", e->getName());
        EXPECT_STREQ("unknown_file", e->getFile());
        EXPECT_EQ(0, e->getLine());
        EXPECT_STREQ("unknown_function", e->getFunction());
        EXPECT_EQ(0, e->getCode());
    }
    EXPECT_STREQ("boom", s.getMessage());
    EXPECT_STREQ("unknown_message", u.getMessage());
}

int raiseSystemException(const char* path, int flags)
{
    if (::open(path, flags) < 0)
        CORVANE_THROW(SystemException);
    return 0;
}

TEST(ExceptionTest, RaiseSiteAndLastError)
{
    try {
        raiseSystemException("/nonexistent-folder-of-the-test/file", O_RDONLY);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ("SystemException", e.getName());
        EXPECT_EQ(ENOENT, e.getCode());
        EXPECT_STREQ("No such file or directory", e.getMessage());
        EXPECT_NE(nullptr, std::strstr(e.getFile(), "Exception_test.cpp"));
        EXPECT_EQ(std::string("int corvane::{anonymous}::raiseSystemException(const char*, int)"),
                  e.getFunction());
        EXPECT_GT(e.getLine(), 0);
    }
}

TEST(ExceptionTest, SubclassesAreCaughtThroughTheirBases)
{
    try {
        CORVANE_THROW(SocketAddressInfoException, EAI_AGAIN);
    } catch (const SocketAddressException& e) {
        EXPECT_STREQ("SocketAddressInfoException", e.getName());
        EXPECT_EQ(EAI_AGAIN, e.getCode());
        EXPECT_STREQ(gai_strerror(EAI_AGAIN), e.getMessage());
    }
}

TEST(ExceptionTest, SocketMessagesAreCutAt255)
{
    const std::string text(300, 'x');
    const std::string exact(255, 'y');
    const SocketException cut("SocketException", "f", 1, "g", 5, text.c_str());
    const SocketException whole("SocketException", "f", 1, "g", 5, exact.c_str());
    const SocketAddressException address("SocketAddressException", "f", 1, "g", 5, text.c_str());
    EXPECT_EQ(text.substr(0, 255), cut.getMessage());
    EXPECT_EQ(exact, whole.getMessage());
    EXPECT_EQ(text.substr(0, 255), address.getMessage());
}

TEST(ExceptionTest, CopiesOwnTheirMessages)
{
    std::string text = "socket text";
    auto original =
        std::make_unique<SocketException>("SocketException", "f", 1, "g", 5, text.c_str());
    text.assign(text.size(), '#'); // the caller's text may change or vanish
    SocketException copy = *original;
    SocketException assigned("SocketException", "f", 2, "h", 6, "other");
    assigned = *original;
    auto system = std::make_unique<SystemException>("SystemException", "f", 1, "g", EPERM);
    const SystemException systemCopy = *system;
    auto standard = std::make_unique<StandardException>(std::logic_error("logic"));
    const StandardException standardCopy = *standard;
    original.reset();
    system.reset();
    standard.reset();
    EXPECT_STREQ("socket text", copy.getMessage());
    EXPECT_STREQ("socket text", assigned.getMessage());
    EXPECT_EQ(5, assigned.getCode());
    EXPECT_STREQ("Operation not permitted", systemCopy.getMessage());
    EXPECT_STREQ("logic", standardCopy.getMessage());
}

TEST(ExceptionTest, SmallTargetCutsTheLine)
{
    const std::string message(100, 'm'); // the base class does not own its message
    const Exception e("Exception", "file.cpp", 1, "f()", 0, message.c_str());
    FormatableBuffer<64> out;
    e.toString(out);
    EXPECT_EQ(64, out.getLength());
    EXPECT_EQ("Exception: " + std::string(52, 'm'), out.getText());
}

} // namespace
} // namespace corvane
