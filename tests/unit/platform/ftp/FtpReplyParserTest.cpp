#include "platform/ftp/FtpReply.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

using kvr::ftpnet::FtpReplyParser;
using Replies = std::vector<std::pair<int, std::string>>; // code and verbatim text

namespace {

// Feeds `bytes` cut at random points; the replies in order, or nullopt when it is refused.
std::optional<Replies> parse_in_pieces(const std::string& bytes, std::mt19937& rng) {
    FtpReplyParser parser;
    Replies out;
    std::string pending;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t n = std::uniform_int_distribution<std::size_t>(1, bytes.size() - at)(rng);
        pending += bytes.substr(at, n);
        at += n;
        for (;;) {
            std::size_t consumed = 0;
            auto status = parser.feed(pending, consumed);
            pending.erase(0, consumed);
            if (status == FtpReplyParser::Status::Invalid)
                return std::nullopt;
            if (status == FtpReplyParser::Status::NeedMore)
                break;
            out.emplace_back(parser.reply().code, parser.reply().text);
            parser.reset();
        }
    }
    return out;
}

const std::string kLogin = "530-Login refused.\r\n"
                           "530-Contact the administrator:\r\n"
                           " 220 this line looks like a reply but is inside\r\n"
                           "230-another code inside does not end it\r\n"
                           "530 Bye.\r\n";

} // namespace

TEST(FtpReplyParser, AssemblesRepliesWhateverTheCutPoints) {
    const std::pair<std::string, Replies> streams[] = {
        {"331 Please specify the password.\n", {{331, "331 Please specify the password.\n"}}},
        {"200\r\n", {{200, "200\r\n"}}},
        {kLogin, {{530, kLogin}}},
        {"211-Features:\r\n EPRT\r\n211 End\r\n221 Goodbye.\r\n",
         {{211, "211-Features:\r\n EPRT\r\n211 End\r\n"}, {221, "221 Goodbye.\r\n"}}},
        {"550 Arquivo n\xe3o encontrado.\r\n", {{550, "550 Arquivo n\xe3o encontrado.\r\n"}}},
    };
    std::mt19937 rng(20240611);
    for (const auto& [bytes, replies] : streams)
        for (int round = 0; round < 50; ++round)
            ASSERT_EQ(parse_in_pieces(bytes, rng), replies) << bytes;
}

// Replies of too many lines are run against the scripted server.
TEST(FtpReplyParser, RefusesWhatIsNotAReplyOrALineTooLong) {
    const std::string bad[] = {
        "hello there\r\n",
        "22 ok\r\n",
        "220x ok\r\n",
        "099 ok\r\n",
        std::string(FtpReplyParser::kMaxLine + 10, 'a'),
    };
    std::mt19937 rng(7);
    for (const auto& bytes : bad)
        EXPECT_EQ(parse_in_pieces(bytes, rng), std::nullopt) << bytes.substr(0, 20);
}
