#include "platform/ftp/FtpFind.h"
#include "platform/ftp/FtpSocket.h"
#include "platform/ftp/FtpThreadStatus.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace kvr::ftpnet;

TEST(FtpFilter, MatchesLocally) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"*.*", "README", true},
        {"", "x", true},
        {"*.txt", "a.txt.gz", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.TXT", "a.txt", false},
        {"f*0.txt", "f00010.txt", true},
        {"*a*b", "ba", false},
        {"a|b", "a|b", true},
        {"*.txt", "*a.txt", true}, // a "*" in the name too: the filter's is still a wildcard
    };
    for (auto [filter, name, expected] : rows)
        EXPECT_EQ(filter_matches(filter, name), expected) << filter << " " << name;
}

TEST(FtpHostText, NamesAPortOnlyWhereItSaysSo) {
    const std::pair<const char*, const char*> rows[] = {
        {"[::1]", "::1"}, {"::1", "::1"}, {"localhost:", "localhost:"}, {"host:ftp", "host:ftp"}};
    for (auto [text, host] : rows) {
        HostPort hp = split_host_text(text);
        EXPECT_EQ(hp.host + " " + hp.port, host + std::string(" 21")) << text;
    }
}

TEST(FtpThreadStatus, LastErrorAndReplyBelongToTheThread) {
    set_last_error(12003);
    set_last_response("550 Failed to open file.\r\n");
    std::uint32_t other_error = 1;
    std::string other_reply = "x";
    std::thread([&] {
        other_error = last_error();
        other_reply = last_response_info();
    }).join();
    EXPECT_EQ(other_error, 0u);
    EXPECT_EQ(other_reply, "");
    EXPECT_EQ(last_response_info(), "550 Failed to open file.\r\n");
}
