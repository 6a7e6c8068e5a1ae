// The response-header reader: whatever lines arrive, the final block's text is made of
// received lines only (without their line ends), never ends in a line end, and is final once
// the transfer is over.
#include "FuzzCheck.h"
#include "platform/inet/ResponseHeaders.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

using kvr::inet::ResponseHeaders;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    ResponseHeaders headers;
    std::set<std::string, std::less<>> received;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t lf = input.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? input.size() : lf + 1;
        std::string_view line = input.substr(start, end - start);
        start = end;
        // A byte 0x01 at the start of a line stands for "body bytes arrived here".
        if (line.size() == 2 && line[0] == '\x01') {
            headers.body_started();
            continue;
        }
        headers.add_line(line);
        received.emplace(line.substr(0, line.find_last_not_of("\r\n") + 1)); // no line end
    }
    headers.transfer_ended();
    FUZZ_CHECK(headers.final());
    const std::string& text = headers.text();
    FUZZ_CHECK(text.size() < 2 || text.substr(text.size() - 2) != "\r\n");
    for (std::size_t at = 0, end = 0; !text.empty() && end != text.size(); at = end + 2) {
        end = std::min(text.find("\r\n", at), text.size());
        const std::string_view piece = std::string_view(text).substr(at, end - at);
        FUZZ_CHECK(!piece.empty() && received.contains(piece));
    }
    return 0;
}
