#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using kvr::inet::FileBody;

namespace {
std::int32_t opening_error(const std::string& path) {
    try {
        FileBody body(path);
    } catch (const kvr::ComError& e) {
        return e.number();
    }
    return 0;
}
} // namespace

TEST(FileBody, OpeningChecksTheFileBeforeAnythingIsSent) {
    kvr::test::TempDir dir;
    EXPECT_EQ(opening_error(dir.str() + "/nao-existe.txt"), kvr::rt::PathNotFound);
    EXPECT_EQ(opening_error(dir.str()), kvr::rt::PathFileAccessError); // a folder
    kvr::test::write_file(dir.path() / "a.txt", "conteúdo");
    EXPECT_EQ(opening_error(dir.str() + "/a.txt"), 0);
}

TEST(FileBody, ReadsAtAnyOffsetAndEndsWithZero) {
    kvr::test::TempDir dir;
    kvr::test::write_file(dir.path() / "a.bin", "0123456789");
    FileBody body(dir.str() + "/a.bin");
    EXPECT_EQ(body.size(), 10u);
    char buf[8] = {};
    EXPECT_EQ(body.read_at(6, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(body.read_at(10, buf, sizeof buf), 0);
}
