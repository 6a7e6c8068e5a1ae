#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kvr::test {

namespace {
std::string env_or(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}
} // namespace

std::string source_dir() {
    return env_or("KVR_SOURCE_DIR", KVR_SOURCE_DIR_DEFAULT);
}
std::string build_dir() {
    return env_or("KVR_BUILD_DIR", KVR_BUILD_DIR_DEFAULT);
}
std::string servers_dir() {
    return env_or("KVR_SERVERS_DIR", KVR_SERVERS_DIR_DEFAULT);
}

TempDir::TempDir() {
    std::filesystem::path base = std::filesystem::path(build_dir()) / "tmp";
    std::filesystem::create_directories(base);
    std::string tmpl = (base / "t-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    m_path = made ? made : tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::map<std::string, std::string> server_env(const std::string& name) {
    std::map<std::string, std::string> env;
    std::ifstream in(std::filesystem::path(servers_dir()) / name / (name + ".env"));
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos)
            env[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return env;
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace kvr::test
