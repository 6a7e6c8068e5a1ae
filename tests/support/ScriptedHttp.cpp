#include "support/ScriptedHttp.h"

namespace kvr::test {

std::string ScriptedHttp::body_of(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + 3) % 251);
    return out;
}

std::string Nginx::serve(const std::string& name, std::size_t size) const {
    std::string bytes = ScriptedHttp::body_of(size);
    const auto path = std::filesystem::path(env.at("KVR_HTTP_ROOT")) / name;
    std::filesystem::create_directories(path.parent_path());
    write_file(path, bytes);
    return bytes;
}

} // namespace kvr::test
