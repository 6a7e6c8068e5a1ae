// The scripted FTP server (tests/servers/scripted_ftp.py) for C++ tests: started with a
// scenario (JSON, see the script), stopped when the object goes; the commands it received
// are its transcript.
#pragma once

#include "support/TestSupport.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kvr::test {

class ScriptedFtp {
  public:
    explicit ScriptedFtp(const std::string& scenario_json) {
        const std::string script = source_dir() + "/tests/servers/scripted_ftp.py";
        m_transcript = (m_dir.path() / "transcript.txt").string();
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            execl("/usr/bin/python3", "python3", script.c_str(), "--transcript",
                  m_transcript.c_str(), scenario_json.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        if (line.rfind("PORT ", 0) != 0)
            throw std::runtime_error("scripted FTP server did not start: " + line);
        m_port = std::stoi(line.substr(5));
    }
    ~ScriptedFtp() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    ScriptedFtp(const ScriptedFtp&) = delete;
    ScriptedFtp& operator=(const ScriptedFtp&) = delete;

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The command lines received so far, in order.
    std::vector<std::string> transcript() const {
        std::vector<std::string> lines;
        std::string text = read_file(m_transcript), line;
        for (char ch : text) {
            if (ch == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += ch;
            }
        }
        return lines;
    }

  private:
    TempDir m_dir;
    std::string m_transcript;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace kvr::test
