// A scripted HTTP server (tests/servers/scripted_http.py) run by a test for one scenario, for
// the faults a real server will not produce on demand. Stopped when the object goes.
#pragma once

#include "support/TestSupport.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace kvr::test {

class ScriptedHttp {
  public:
    // Starts the server on a free loopback port and waits until it listens; throws
    // std::runtime_error when it does not start. `extra` goes to the script as is.
    explicit ScriptedHttp(const std::string& scenario, const std::vector<std::string>& extra = {});
    ~ScriptedHttp();
    ScriptedHttp(const ScriptedHttp&) = delete;
    ScriptedHttp& operator=(const ScriptedHttp&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path = "/") const;
    // The last request the server received: head, blank line, body ("" before any).
    std::string last_request() const;

    // The body the scenarios send where the test chooses the size (--size N).
    static std::string body_of(std::size_t size);
    // A loopback port on which nothing listens (bound, then closed).
    static int closed_port();

  private:
    TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace kvr::test
