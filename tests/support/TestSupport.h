// Helpers shared by the C++ tests: temporary folders and the servers' environment files.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kvr::test {

// A fresh folder under the build tree, removed when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

  private:
    std::filesystem::path m_path;
};

// A scripted server of tests/servers, for the faults a real server will not produce on
// demand: started on a free loopback port, stopped when the object goes.
class ScriptedServer {
  public:
    ScriptedServer() = default;
    ~ScriptedServer(); // not copied: its folder (a TempDir) is not
    // Runs `script` with `args` and "--port-file F" and waits until it has written the port it
    // listens on; throws std::runtime_error when it does not.
    void start(const std::string& script, std::vector<std::string> args);
    int port() const { return m_port; }
    // A file of the server's own folder (its records).
    std::filesystem::path file(const std::string& name) const { return m_dir.path() / name; }

  private:
    TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
};

// The source tree, the build tree and the servers' folder (environment first, then the
// locations the test was built for).
std::string source_dir();
std::string build_dir();
std::string servers_dir();

// KEY=VALUE pairs written by tests/servers/<name>_start.sh; empty when not running.
std::map<std::string, std::string> server_env(const std::string& name);

// Environment variables set for one scope, removed when it ends.
class ScopedEnv {
  public:
    ScopedEnv(std::initializer_list<std::pair<const char*, std::string>> vars);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::vector<std::string> m_names;
};

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& bytes);

} // namespace kvr::test
