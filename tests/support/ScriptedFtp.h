// The scripted FTP server (tests/servers/scripted_ftp.py) run by a test with a scenario (JSON,
// see the script); the commands it received are its transcript.
#pragma once

#include "support/TestSupport.h"

#include <sstream>
#include <string>
#include <vector>

namespace kvr::test {

class ScriptedFtp {
  public:
    explicit ScriptedFtp(const std::string& scenario_json) {
        m_server.start("scripted_ftp.py",
                       {"--transcript", m_server.file("transcript").string(), scenario_json});
    }

    int port() const { return m_server.port(); }
    std::string host() const { return "127.0.0.1:" + std::to_string(port()); }

    // The command lines received so far, in order.
    std::vector<std::string> transcript() const {
        std::vector<std::string> lines;
        std::istringstream in(read_file(m_server.file("transcript")));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The received command lines that start with `verb`.
    std::vector<std::string> sent(const std::string& verb) const {
        auto lines = transcript();
        std::erase_if(lines, [&](const std::string& line) { return !line.starts_with(verb); });
        return lines;
    }

  private:
    ScriptedServer m_server;
};

} // namespace kvr::test
