#include "support/TestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

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

void ScriptedServer::start(const std::string& script, std::vector<std::string> args) {
    const std::string port_file = file("port").string();
    args.insert(args.begin(), {"python3", source_dir() + "/tests/servers/" + script});
    args.insert(args.end(), {"--port-file", port_file});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&m_pid, "python3", nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error(script + " could not be started");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(port_file);
        if (in >> m_port && m_port > 0)
            return;
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error(script + " exited at start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error(script + " did not listen in time");
}

ScriptedServer::~ScriptedServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::map<std::string, std::string> server_env(const std::string& name) {
    std::map<std::string, std::string> env;
    std::ifstream in(std::filesystem::path(servers_dir()) / name / (name + ".env"));
    for (std::string line; std::getline(in, line);)
        if (auto eq = line.find('='); eq != std::string::npos)
            env[line.substr(0, eq)] = line.substr(eq + 1);
    return env;
}

ScopedEnv::ScopedEnv(std::initializer_list<std::pair<const char*, std::string>> vars) {
    for (const auto& [name, value] : vars) {
        setenv(name, value.c_str(), 1);
        m_names.emplace_back(name);
    }
}

ScopedEnv::~ScopedEnv() {
    for (const auto& name : m_names)
        unsetenv(name.c_str());
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace kvr::test
