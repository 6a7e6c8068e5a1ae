// Request-URL resolution: a URL is refused with one of the control's own numbers, or comes
// out absolute, http or https as it says, with nothing in it that could split a request line
// (no blank, no control character, no byte beyond ASCII).
#include "FuzzCheck.h"
#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"
#include "platform/inet/InetErrors.h"
#include "platform/inet/RequestUrl.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace kvr::inet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const int protocol = data[0] % 6;
    const auto port = static_cast<std::int16_t>(data[1] | (data[2] << 8));
    const std::string url(reinterpret_cast<const char*>(data + 3), size - 3);
    RequestUrl r;
    try {
        r = resolve_request_url(url, protocol, port);
    } catch (const kvr::ComError& e) {
        FUZZ_CHECK(e.number() == icErrBadUrl || e.number() == icErrProtocolNotSupported);
        return 0;
    }
    FUZZ_CHECK(r.url.rfind(r.https ? "https://" : "http://", 0) == 0);
    for (unsigned char c : r.url)
        FUZZ_CHECK(c > 0x20 && c < 0x7F);
    // Resolving the result again changes nothing: it is already complete.
    RequestUrl again = resolve_request_url(r.url, protocol, port);
    FUZZ_CHECK(again.url == r.url && again.https == r.https);
    return 0;
}
