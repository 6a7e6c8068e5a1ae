// One request of the transfer control run to its end the way the download runs it.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"
#include "support/ScriptedHttp.h"
#include "support/TestSupport.h"

#include <chrono>
#include <string>

namespace kvr::test {

struct Fetched {
    std::int32_t code = 0;
    std::string info;
    std::string header;
    std::string body;
    std::int32_t raised = 0; // the number GetChunk raised instead of ending, 0 for a clean end
    std::size_t largest_chunk = 0;
    double seconds_to_response = 0;
};

// Execute, poll StillExecuting, read the response, then GetChunk(1024) to the end.
inline Fetched fetch(kvr::inet::Inet& inet, const std::string& url) {
    Fetched f;
    const auto start = std::chrono::steady_clock::now();
    inet.Execute(url, "GET");
    while (inet.StillExecuting()) {
    }
    f.seconds_to_response =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.header = inet.GetHeader();
    try {
        for (ByteArray chunk; !(chunk = inet.GetChunk(1024, kvr::inet::icByteArray)).empty();) {
            f.largest_chunk = std::max(f.largest_chunk, chunk.size());
            f.body.append(chunk.begin(), chunk.end());
        }
    } catch (const ComError& e) {
        f.raised = e.number();
    }
    f.code = inet.ResponseCode();
    f.info = inet.ResponseInfo();
    return f;
}

} // namespace kvr::test
