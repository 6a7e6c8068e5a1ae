#include "platform/ftp/FtpReply.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using kvr::ftpnet::FtpReply;
using kvr::ftpnet::FtpReplyParser;

namespace {

struct Stream {
    const char* name;
    std::string bytes;
    std::vector<FtpReply> replies; // what must come out, in order
};

// Feeds `bytes` in pieces cut at random points; collects the replies.
std::vector<FtpReply> parse_in_pieces(const std::string& bytes, std::mt19937& rng, bool& invalid) {
    FtpReplyParser parser;
    std::vector<FtpReply> out;
    std::string pending;
    std::size_t at = 0;
    invalid = false;
    while (at < bytes.size() || !pending.empty()) {
        if (at < bytes.size()) {
            std::uniform_int_distribution<std::size_t> len(1, bytes.size() - at);
            std::size_t n = len(rng);
            pending += bytes.substr(at, n);
            at += n;
        }
        for (;;) {
            std::size_t consumed = 0;
            auto status = parser.feed(pending, consumed);
            pending.erase(0, consumed);
            if (status == FtpReplyParser::Status::Invalid) {
                invalid = true;
                return out;
            }
            if (status == FtpReplyParser::Status::NeedMore)
                break;
            out.push_back(parser.reply());
            parser.reset();
        }
        if (at >= bytes.size() && !pending.empty())
            break;
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
    const std::vector<Stream> streams = {
        {"one line", "220 (vsFTPd 3.0.3)\r\n", {{220, "220 (vsFTPd 3.0.3)\r\n"}}},
        {"bare LF",
         "331 Please specify the password.\n",
         {{331, "331 Please specify the password.\n"}}},
        {"code alone", "200\r\n", {{200, "200\r\n"}}},
        {"multi-line verbatim", kLogin, {{530, kLogin}}},
        {"two replies back to back",
         "150 Here comes the data.\r\n226 Transfer complete.\r\n",
         {{150, "150 Here comes the data.\r\n"}, {226, "226 Transfer complete.\r\n"}}},
        {"multi-line then single",
         "211-Features:\r\n EPRT\r\n211 End\r\n221 Goodbye.\r\n",
         {{211, "211-Features:\r\n EPRT\r\n211 End\r\n"}, {221, "221 Goodbye.\r\n"}}},
        {"accented text kept as bytes",
         "550 Arquivo n\xe3o encontrado.\r\n",
         {{550, "550 Arquivo n\xe3o encontrado.\r\n"}}},
    };
    std::mt19937 rng(20240611);
    for (const auto& s : streams) {
        for (int round = 0; round < 50; ++round) {
            bool invalid = false;
            auto got = parse_in_pieces(s.bytes, rng, invalid);
            ASSERT_FALSE(invalid) << s.name;
            ASSERT_EQ(got.size(), s.replies.size()) << s.name;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].code, s.replies[i].code) << s.name;
                EXPECT_EQ(got[i].text, s.replies[i].text) << s.name;
            }
        }
    }
}

TEST(FtpReplyParser, RefusesWhatIsNotAReplyOrTooLong) {
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"no code", "hello there\r\n"},
        {"short code", "22 ok\r\n"},
        {"bad separator", "220x ok\r\n"},
        {"code below 100", "099 ok\r\n"},
        {"endless line", std::string(FtpReplyParser::kMaxLine + 10, 'a')},
        {"endless multi-line reply", "220-start\r\n" +
                                         [] {
                                             std::string s;
                                             while (s.size() < FtpReplyParser::kMaxReply + 100)
                                                 s += "    filler line inside the reply\r\n";
                                             return s;
                                         }()},
    };
    std::mt19937 rng(7);
    for (const auto& [name, bytes] : bad) {
        bool invalid = false;
        auto got = parse_in_pieces(bytes, rng, invalid);
        EXPECT_TRUE(invalid) << name;
        EXPECT_TRUE(got.empty()) << name;
    }
}
