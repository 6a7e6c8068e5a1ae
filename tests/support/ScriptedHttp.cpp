#include "support/ScriptedHttp.h"

namespace kvr::test {

ScriptedHttp::ScriptedHttp(const std::string& scenario, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"--scenario", scenario};
    args.insert(args.end(), extra.begin(), extra.end());
    m_server.start("scripted_http.py", args);
}

std::string ScriptedHttp::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port()) + path;
}

std::string ScriptedHttp::body_of(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + 3) % 251);
    return out;
}

int ScriptedHttp::closed_port() {
    return ScriptedHttp("stall").port(); // stopped when the call returns
}

std::string Nginx::http(const std::string& path) const {
    return "http://127.0.0.1:" + env.at("KVR_HTTP_PORT") + path;
}

std::string Nginx::https(const std::string& path) const {
    return "https://127.0.0.1:" + env.at("KVR_HTTPS_PORT") + path;
}

std::string Nginx::serve(const std::string& name, std::size_t size) const {
    std::string bytes = ScriptedHttp::body_of(size);
    const auto path = std::filesystem::path(env.at("KVR_HTTP_ROOT")) / name;
    std::filesystem::create_directories(path.parent_path());
    write_file(path, bytes);
    return bytes;
}

} // namespace kvr::test
