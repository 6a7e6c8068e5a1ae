// One server reply and the incremental parser that assembles it from whatever pieces the
// socket delivers. A reply is one line "ddd text" or a multi-line reply opened by "ddd-" and
// closed by a line starting "ddd " with the same code. Memory is bounded: a line or a whole
// reply longer than the limits, or one of too many lines, is an error, never a growing buffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvr::ftpnet {

struct FtpReply {
    int code = 0;
    std::string text; // verbatim: every line with its line end
};

class FtpReplyParser {
  public:
    static constexpr std::size_t kMaxLine = 8 * 1024;
    static constexpr std::size_t kMaxReply = 64 * 1024;
    static constexpr std::size_t kMaxLines = 1000;

    enum class Status { NeedMore, Complete, Invalid };

    // Consumes bytes from `data` up to the end of one reply at most; `consumed` tells how many
    // were taken (the rest belongs to the next reply). On Complete the reply is in reply().
    Status feed(std::string_view data, std::size_t& consumed);

    const FtpReply& reply() const { return m_reply; }
    // Starts over for the next reply (after Complete or Invalid).
    void reset();

  private:
    Status take_line();

    FtpReply m_reply;
    std::string m_line;  // the line being read
    int m_open_code = 0; // code of an open multi-line reply, 0 when none
    std::size_t m_lines = 0;
};

} // namespace kvr::ftpnet
