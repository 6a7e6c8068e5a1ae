// Shared by the transfer control's integration tests: one request run to its end the way the
// download and upload routines run it, and environment variables set for one scope.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"
#include "support/ScriptedHttp.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

namespace kvr::test {

struct Fetched {
    std::int32_t code = 0;
    std::string info;
    std::string header;
    std::string body;
    bool raised = false; // GetChunk raised instead of ending
    std::int32_t raised_number = 0;
    std::string raised_text;
    std::size_t largest_chunk = 0;
    double seconds_to_response = 0;
};

// Execute, poll StillExecuting, read the response, then GetChunk(1024) to the end.
inline Fetched fetch(kvr::inet::Inet& inet, const std::string& url,
                     const std::string& operation = "GET", std::string data = {}) {
    Fetched f;
    auto start = std::chrono::steady_clock::now();
    inet.Execute(url, operation, std::move(data));
    while (inet.StillExecuting()) {
    }
    f.seconds_to_response =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.header = inet.GetHeader();
    try {
        for (;;) {
            ByteArray chunk = inet.GetChunk(1024, kvr::inet::icByteArray);
            if (chunk.empty())
                break;
            f.largest_chunk = std::max(f.largest_chunk, chunk.size());
            f.body.append(chunk.begin(), chunk.end());
        }
    } catch (const ComError& e) {
        f.raised = true;
        f.raised_number = e.number();
        f.raised_text = e.description();
    }
    f.code = inet.ResponseCode();
    f.info = inet.ResponseInfo();
    return f;
}

// Sets (or, with nullopt, removes) an environment variable until the scope ends.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        if (value)
            setenv(m_name.c_str(), value->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace kvr::test
