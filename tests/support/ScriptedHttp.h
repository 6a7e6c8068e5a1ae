// The scripted HTTP server (tests/servers/scripted_http.py) run by a test for one scenario,
// and the nginx fixture.
#pragma once

#include "support/TestSupport.h"

#include <map>
#include <string>
#include <vector>

namespace kvr::test {

class ScriptedHttp {
  public:
    // `extra` goes to the script as is.
    explicit ScriptedHttp(const std::string& scenario, const std::vector<std::string>& extra = {});

    int port() const { return m_server.port(); }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path = "/") const;

    // The body the scenarios send where the test chooses the size (--size N).
    static std::string body_of(std::size_t size);
    // A loopback port on which nothing listens (a server's, stopped).
    static int closed_port();

  private:
    ScriptedServer m_server;
};

// The nginx fixture: its addresses, and files it serves.
struct Nginx {
    std::map<std::string, std::string> env = server_env("http");
    bool running() const { return !env.empty(); }
    std::string http(const std::string& path) const;
    std::string https(const std::string& path) const;
    // Serves `size` bytes of ScriptedHttp::body_of at "/<name>" (folders made); its bytes.
    std::string serve(const std::string& name, std::size_t size) const;
};

} // namespace kvr::test
