#include "support/ScriptedHttp.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kvr::test {

ScriptedHttp::ScriptedHttp(const std::string& scenario, const std::vector<std::string>& extra) {
    const std::string script = source_dir() + "/tests/servers/scripted_http.py";
    const std::string port_file = (m_dir.path() / "port").string();
    std::vector<std::string> args = {
        "python3",     script,    "--scenario", scenario,
        "--port-file", port_file, "--record",   (m_dir.path() / "request").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&m_pid, "python3", nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("scripted_http.py could not be started");

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(port_file);
        if (in >> m_port && m_port > 0)
            return;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("scripted_http.py exited: scenario " + scenario);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    throw std::runtime_error("scripted_http.py did not listen in time");
}

ScriptedHttp::~ScriptedHttp() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::string ScriptedHttp::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string ScriptedHttp::last_request() const {
    return read_file(m_dir.path() / "request");
}

std::string ScriptedHttp::body_of(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + 3) % 251);
    return out;
}

int ScriptedHttp::closed_port() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket() failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    if (port == 0)
        throw std::runtime_error("no free loopback port");
    return port;
}

} // namespace kvr::test
