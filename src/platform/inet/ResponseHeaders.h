// The header lines of the final response, picked out of everything the server sends: interim
// 1xx blocks are dropped, and a redirection's block is dropped once the next response starts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvr::inet {

class ResponseHeaders {
  public:
    // One received header line, with or without its line end; an empty line ends a block.
    void add_line(std::string_view line);
    // Body bytes arrived: the block received last is the final one.
    void body_started();
    // The transfer is over: whatever block came last is the final one.
    void transfer_ended();
    void clear();

    bool final() const { return m_final; }
    // The final block's lines, status line first, joined by CR LF; "" until it is known.
    const std::string& text() const { return m_text; }

  private:
    void finish(const std::vector<std::string>& block);

    std::vector<std::string> m_block; // the block being received
    int m_status = 0;
    std::vector<std::string> m_candidate; // a complete block that may be a redirection hop
    bool m_final = false;
    std::string m_text;
};

} // namespace kvr::inet
