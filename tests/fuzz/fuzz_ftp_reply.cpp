// The FTP reply parser gives the same replies, in the same order, ending in the same state,
// whatever read boundaries the bytes arrive in. The first input byte chooses the boundaries.
#include "FuzzCheck.h"
#include "platform/ftp/FtpReply.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using kvr::ftpnet::FtpReplyParser;

namespace {

struct Outcome {
    std::vector<std::pair<int, std::string>> replies; // code, text
    bool invalid = false;
};

// Feeds `bytes` in pieces of the sizes `piece(i)` gives, as the connection feeds the parser.
template <typename Piece> Outcome parse(std::string_view bytes, Piece&& piece) {
    Outcome out;
    FtpReplyParser parser;
    std::string pending;
    for (std::size_t i = 0, at = 0; at < bytes.size(); ++i) {
        const std::size_t n = std::min(piece(i), bytes.size() - at);
        pending.append(bytes.substr(at, n));
        at += n;
        for (;;) {
            std::size_t consumed = 0;
            auto status = parser.feed(pending, consumed);
            FUZZ_CHECK(consumed <= pending.size());
            pending.erase(0, consumed);
            if (status == FtpReplyParser::Status::Invalid) {
                out.invalid = true;
                return out;
            }
            if (status != FtpReplyParser::Status::Complete)
                break;
            out.replies.emplace_back(parser.reply().code, parser.reply().text);
            parser.reset();
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const unsigned seed = data[0];
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    Outcome whole = parse(bytes, [](std::size_t) { return std::size_t(-1); });
    Outcome bytewise = parse(bytes, [](std::size_t) { return std::size_t(1); });
    Outcome varied = parse(bytes, [&](std::size_t i) { return 1 + (seed * 31 + i * 17) % 97; });
    for (const Outcome* o : {&bytewise, &varied})
        FUZZ_CHECK(o->invalid == whole.invalid && o->replies == whole.replies);
    for (const auto& [code, text] : whole.replies) {
        FUZZ_CHECK(code >= 100 && code <= 999);
        FUZZ_CHECK(text.size() <= FtpReplyParser::kMaxReply);
        FUZZ_CHECK(!text.empty() && text.back() == '\n');
    }
    return 0;
}
