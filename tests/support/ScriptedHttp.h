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
    explicit ScriptedHttp(const std::string& scenario, std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--scenario", scenario});
        m_server.start("scripted_http.py", std::move(extra));
    }

    int port() const { return m_server.port(); }
    std::string url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port()) + path;
    }

    // The body the scenarios send where the test chooses the size (--size N).
    static std::string body_of(std::size_t size);
    // `path` on a loopback port on which nothing listens (a server's, stopped).
    static std::string closed_url(const std::string& path = "/") {
        return ScriptedHttp("stall").url(path);
    }

  private:
    ScriptedServer m_server;
};

// The nginx fixture: its addresses, and files it serves.
struct Nginx {
    std::map<std::string, std::string> env = server_env("http");
    bool running() const { return !env.empty(); }
    std::string http(const std::string& path) const {
        return "http://127.0.0.1:" + env.at("KVR_HTTP_PORT") + path;
    }
    std::string https(const std::string& path) const {
        return "https://127.0.0.1:" + env.at("KVR_HTTPS_PORT") + path;
    }
    // Serves `size` bytes of ScriptedHttp::body_of at "/<name>" (folders made); its bytes.
    std::string serve(const std::string& name, std::size_t size) const;
};

} // namespace kvr::test
