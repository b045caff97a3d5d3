#include "base/File.h"
#include "base/SystemException.h"
#include "testsupport/TempFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace corvane {
namespace {

class FileTest : public ::testing::Test
{
protected:
    std::string path(const char* name) const { return m_temp.file(name); }
    std::string make(const char* name, const std::string& content) const
    {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    static std::string readAll(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs f and returns the code of the SystemException it raises, checking
    // the exception names the operation; 0 when nothing was raised.
    static int codeOf(const std::function<void()>& f, const char* operation)
    {
        try {
            f();
        } catch (const SystemException& e) {
            EXPECT_STREQ("SystemException", e.getName());
            EXPECT_NE(nullptr, std::strstr(e.getFunction(), operation)) << e.getFunction();
            EXPECT_STRNE("", e.getMessage());
            return e.getCode();
        }
        return 0;
    }

    TempFolder m_temp;
    const std::string m_folder = m_temp.path().string();
};

TEST_F(FileTest, OpenModes)
{
    struct Case
    {
        const char* name;
        File::Mode mode;
        bool existing;
        int openError;
        bool canRead;
        bool canWrite;
    };
    const Case cases[] = {
        {"read", File::Read, true, 0, true, false},
        {"write", File::Write, true, 0, false, true},
        {"both", File::Read | File::Write, true, 0, true, true},
        {"through", File::Read | File::Write | File::WriteThrough, true, 0, true, true},
        {"none", 0, true, 0, false, false},
        {"missing", File::Read, false, ENOENT, false, false},
        {"new", File::Read | File::Write | File::Create, false, 0, true, true},
        {"new-exists", File::Write | File::Create, true, EEXIST, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = c.existing ? make(c.name, "abc") : path(c.name);
        File file;
        ASSERT_EQ(c.openError, codeOf([&] { file.open(p.c_str(), c.mode); }, "File::open"));
        if (c.openError != 0) {
            EXPECT_FALSE(file.isOpen());
            if (c.existing) {
                EXPECT_EQ("abc", readAll(p)); // a refused create leaves the file alone
            }
            continue;
        }
        EXPECT_EQ(c.existing ? 3u : 0u, file.size());
        char buffer[8] = {};
        EXPECT_EQ(c.canRead ? 0 : EBADF, codeOf([&] { file.read(buffer, 2); }, "File::read"));
        if (c.canRead || c.canWrite) {
            file.seek(0);
        } else {
            EXPECT_EQ(EBADF, codeOf([&] { file.seek(0); }, "File::seek"));
        }
        EXPECT_EQ(c.canWrite ? 0 : EBADF, codeOf([&] { file.write("XY", 2); }, "File::write"));
        EXPECT_TRUE(file.close());
        EXPECT_EQ(c.canWrite ? (c.existing ? "XYc" : "XY") : (c.existing ? "abc" : ""), readAll(p));
    }
}

TEST_F(FileTest, ConstructorRaisesInsteadOfHalfBuilding)
{
    const std::string folder = m_folder;
    EXPECT_EQ(EISDIR, codeOf([&] { File f(folder.c_str(), File::Read); }, "File::open"));
    const std::string missing = path("missing");
    EXPECT_EQ(ENOENT, codeOf([&] { File f(missing.c_str(), File::Read); }, "File::open"));
}

TEST_F(FileTest, Exists)
{
    const std::string file = make("present", "x");
    const std::string held = make("held", "y");
    File holder(held.c_str(), File::Read | File::Write); // another opener keeps it open
    ::mkfifo(path("fifo").c_str(), 0600);
    struct Case
    {
        std::string path;
        bool exists;
        int error;
    };
    const Case cases[] = {
        {file, true, 0},
        {held, true, 0},
        {path("fifo"), true, 0}, // no writer: must not block
        {path("absent"), false, 0},
        {path("absent/"), false, 0},
        {path("no-folder/absent"), false, ENOENT},
        {m_folder + "/no/such/folder/x", false, ENOENT},
        {file + "/below-a-file", false, ENOTDIR},
        {m_folder, false, EISDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        bool answer = !c.exists;
        EXPECT_EQ(c.error, codeOf([&] { answer = File::exists(c.path.c_str()); }, "File::exists"));
        if (c.error == 0) {
            EXPECT_EQ(c.exists, answer);
        }
    }
}

TEST_F(FileTest, CreateSizesNewFilesAndRefusesExistingOnes)
{
    const std::string fresh = path("fresh");
    File::create(fresh.c_str(), 5000);
    EXPECT_EQ(5000u, File::size(fresh.c_str()));
    EXPECT_EQ(std::string(5000, '\0'), readAll(fresh));

    const std::string existing = make("existing", "keep me");
    EXPECT_EQ(EEXIST, codeOf([&] { File::create(existing.c_str(), 10); }, "File::open"));
    EXPECT_EQ("keep me", readAll(existing));
    const std::string noFolder = path("none/x");
    EXPECT_EQ(ENOENT, codeOf([&] { File::create(noFolder.c_str(), 1); }, "File::open"));
}

TEST_F(FileTest, PositionSizeAndTruncate)
{
    const std::string p = make("data", "0123456789");
    File file(p.c_str(), File::Read | File::Write);
    char buffer[16] = {};
    file.seek(7);
    EXPECT_EQ(7u, file.tell());
    EXPECT_EQ(3u, file.read(buffer, sizeof buffer));
    EXPECT_STREQ("789", buffer);
    EXPECT_EQ(0u, file.read(buffer, sizeof buffer)); // end of file
    file.seek(4);
    file.truncate();
    EXPECT_EQ(4u, file.size());
    file.truncate(2);
    EXPECT_EQ(2u, file.tell());
    EXPECT_EQ(2u, File::size(file.getHandle()));
    file.truncate(6); // growing fills with zero bytes
    file.flush();
    EXPECT_EQ(std::string("01\0\0\0\0", 6), readAll(p));
    EXPECT_EQ(1024u, File::blockSize());
}

TEST_F(FileTest, CloseAndMoveOwnTheDescriptorOnce)
{
    const std::string a = make("a", "A");
    const std::string b = make("b", "B");
    File first(a.c_str(), File::Read);
    File second(b.c_str(), File::Read);
    const int secondFd = second.getHandle();
    second = std::move(first); // the old descriptor of second is closed
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(-1, ::fcntl(secondFd, F_GETFD));
    char c = 0;
    EXPECT_EQ(1u, second.read(&c, 1));
    EXPECT_EQ('A', c);
    File third(std::move(second));
    EXPECT_TRUE(third.isOpen());
    EXPECT_TRUE(third.close());
    EXPECT_TRUE(third.close()); // already closed
    EXPECT_TRUE(first.close());
}

TEST_F(FileTest, RenameNeverReplacesAndRemove)
{
    const std::string from = make("from", "1");
    const std::string to = make("to", "2");
    EXPECT_FALSE(File::rename(from.c_str(), to.c_str()));
    EXPECT_EQ("2", readAll(to));
    const std::string other = path("other");
    EXPECT_TRUE(File::rename(from.c_str(), other.c_str()));
    EXPECT_EQ("1", readAll(other));
    EXPECT_TRUE(File::remove(other.c_str()));
    EXPECT_FALSE(File::remove(other.c_str()));
    EXPECT_FALSE(File::rename(from.c_str(), other.c_str()));
}

TEST_F(FileTest, PathQueries)
{
    const std::string p = make("ro", "x");
    EXPECT_FALSE(File::isReadOnly(p.c_str()));
    ::chmod(p.c_str(), 0444);
    EXPECT_TRUE(File::isReadOnly(p.c_str()));
    const std::string missing = path("missing");
    EXPECT_EQ(ENOENT, codeOf([&] { File::isReadOnly(missing.c_str()); }, "File::isReadOnly"));
    EXPECT_EQ(ENOENT, codeOf([&] { File::size(missing.c_str()); }, "File::size"));
    EXPECT_EQ(ENOENT, codeOf([&] { File::freeSize(missing.c_str()); }, "File::freeSize"));
    EXPECT_GT(File::freeSize(m_folder.c_str()), 0u);

    EXPECT_TRUE(File::isPhysicalDrive("\\\\.\\PHYSICALDRIVE0"));
    EXPECT_FALSE(File::isPhysicalDrive("\\\\.\\PHYSICALDRIV"));
    EXPECT_FALSE(File::isPhysicalDrive("/dev/sda"));

    const std::string temp = File::tempName();
    EXPECT_LE(temp.size(), 13u);
    EXPECT_FALSE(File::exists(temp.c_str()));
    EXPECT_NE(temp, File::tempName());
}

} // namespace
} // namespace corvane
