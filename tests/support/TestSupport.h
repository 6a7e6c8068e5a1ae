// Helpers shared by the C++ tests: temporary folders and the servers' environment files.
#pragma once

#include <filesystem>
#include <map>
#include <string>

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

// The source tree, the build tree and the servers' folder (environment first, then the
// locations the test was built for).
std::string source_dir();
std::string build_dir();
std::string servers_dir();

// KEY=VALUE pairs written by tests/servers/<name>_start.sh; empty when not running.
std::map<std::string, std::string> server_env(const std::string& name);

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& bytes);

} // namespace kvr::test
