#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpFind.h"
#include "platform/ftp/FtpProtocol.h"
#include "platform/ftp/FtpSocket.h"
#include "platform/ftp/FtpThreadStatus.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

using namespace kvr::ftpnet;

TEST(FtpErrorTable, EveryReplyCodeTheServerCanSendIsAnExtendedError) {
    for (int reply = 100; reply <= 599; ++reply)
        EXPECT_EQ(error_for_reply(reply), code::ExtendedError) << reply;
    for (int reply : {0, 99, 600, 999})
        EXPECT_EQ(error_for_reply(reply), code::InvalidResponse) << reply;
}

TEST(FtpErrorTable, FailuresAndErrnoValues) {
    const std::pair<Failure, std::uint32_t> failures[] = {
        {Failure::ServerRefused, 12003},    {Failure::NameNotResolved, 12007},
        {Failure::CannotConnect, 12029},    {Failure::TimedOut, 12002},
        {Failure::ConnectionClosed, 12030}, {Failure::ConnectionReset, 12031},
        {Failure::InvalidReply, 12152},     {Failure::WrongState, 12019},
    };
    for (auto [failure, expected] : failures)
        EXPECT_EQ(error_for_failure(failure), expected);
    const std::pair<int, std::uint32_t> errnos[] = {
        {ENOENT, 3}, {EACCES, 5}, {ENOSPC, 112}, {ECONNREFUSED, 12029}, {EPIPE, 12030}, {EIO, 31},
    };
    for (auto [err, expected] : errnos)
        EXPECT_EQ(error_for_errno(err), expected) << err;
}

TEST(FtpProtocol, EachCommandTakesItsRepliesAndRefusesTheRest) {
    struct Row {
        FtpCommand command;
        int reply;
        Outcome outcome;
        SessionState next;
    };
    using C = FtpCommand;
    using O = Outcome;
    using S = SessionState;
    const Row rows[] = {
        {C::Greeting, 220, O::Done, S::LoggingIn},   {C::Greeting, 120, O::Wait, S::Greeting},
        {C::Greeting, 421, O::Refused, S::Greeting}, {C::User, 331, O::GoOn, S::LoggingIn},
        {C::User, 230, O::Done, S::Ready},           {C::User, 530, O::Refused, S::LoggingIn},
        {C::Pass, 230, O::Done, S::Ready},           {C::Pass, 530, O::Refused, S::LoggingIn},
        {C::Pass, 332, O::Refused, S::LoggingIn},    {C::Cwd, 250, O::Done, S::Ready},
        {C::Cwd, 550, O::Refused, S::Ready},         {C::Retr, 150, O::GoOn, S::Transferring},
        {C::Retr, 550, O::Refused, S::Ready},        {C::Stor, 125, O::GoOn, S::Transferring},
        {C::TransferDone, 226, O::Done, S::Ready},   {C::TransferDone, 552, O::Refused, S::Ready},
        {C::Rnfr, 350, O::GoOn, S::Renaming},        {C::Rnfr, 550, O::Refused, S::Ready},
        {C::Rnto, 250, O::Done, S::Ready},           {C::Rnto, 553, O::Refused, S::Ready},
        {C::Dele, 250, O::Done, S::Ready},           {C::Dele, 200, O::Refused, S::Ready},
    };
    for (const auto& r : rows) {
        const CommandRule& rule = rule_for(r.command);
        Outcome o = classify(rule, r.reply);
        EXPECT_EQ(o, r.outcome) << rule.verb << " " << r.reply;
        S next = o == O::Done   ? rule.on_done
                 : o == O::GoOn ? rule.on_go_on
                 : o == O::Wait ? rule.needs
                                : rule.on_refused;
        EXPECT_EQ(next, r.next) << rule.verb << " " << r.reply;
    }
}

TEST(FtpFilter, MatchesLocally) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"*.*", "README", true},
        {"*.*", "a.txt", true},
        {"", "x", true},
        {"*", "anything", true},
        {"*.txt", "a.txt", true},
        {"*.txt", "a.txt.gz", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.TXT", "a.txt", false},
        {"f*0.txt", "f00010.txt", true},
        {"*a*b*", "xxaxxbxx", true},
        {"*a*b", "ba", false},
        {"a|b", "a|b", true},
    };
    for (auto [filter, name, expected] : rows)
        EXPECT_EQ(filter_matches(filter, name), expected) << filter << " " << name;
}

TEST(FtpHostText, NamesAPortOnlyWhereItSaysSo) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"127.0.0.1", "127.0.0.1", "21"},
        {"127.0.0.1:2121", "127.0.0.1", "2121"},
        {"[::1]:2121", "::1", "2121"},
        {"[::1]", "::1", "21"},
        {"::1", "::1", "21"},
        {"localhost:", "localhost:", "21"},
        {"host:ftp", "host:ftp", "21"},
        {"", "", "21"},
    };
    for (auto [text, host, port] : rows) {
        HostPort hp = split_host_text(text);
        EXPECT_EQ(hp.host, host) << text;
        EXPECT_EQ(hp.port, port) << text;
    }
}

TEST(FtpThreadStatus, LastErrorAndReplyBelongToTheThread) {
    set_last_error(code::ExtendedError);
    set_last_response("550 Failed to open file.\r\n");
    std::uint32_t other_error = 1;
    std::string other_reply = "x";
    std::thread([&] {
        other_error = last_error();
        other_reply = last_response_info();
    }).join();
    EXPECT_EQ(other_error, 0u);
    EXPECT_EQ(other_reply, "");
    std::size_t length = 0;
    EXPECT_FALSE(get_last_response_info(nullptr, nullptr, &length));
    EXPECT_EQ(length, 26u);
    std::string buffer(length + 1, '\0');
    EXPECT_TRUE(get_last_response_info(nullptr, buffer.data(), &length));
    EXPECT_EQ(buffer, std::string("550 Failed to open file.\r\n") + '\0');
}

TEST(FtpTimeout, ComesFromTheEnvironment) {
    setenv("KVR_FTP_TIMEOUT", "0.5", 1);
    EXPECT_EQ(io_timeout().count(), 500);
    setenv("KVR_FTP_TIMEOUT", "nonsense", 1);
    EXPECT_EQ(io_timeout().count(), 60000);
    unsetenv("KVR_FTP_TIMEOUT");
    EXPECT_EQ(io_timeout().count(), 60000);
}
