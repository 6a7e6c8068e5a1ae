// Shared by the FTP class's integration tests.
#pragma once

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/Object.h"
#include "platform/ui/Backend.h"
#include "platform/ui/HeadlessBackend.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kvr::test {

using Texts = std::vector<std::string>;

inline Texts texts(const Variant& v) {
    Texts out;
    for (const auto& e : v.as_array())
        out.push_back(e.to_string());
    return out;
}

// An FTP object connected to `host`, in `directory` when one is given; throws when it fails.
inline std::shared_ptr<Object> connected(const std::string& host, const std::string& user = "u",
                                         const std::string& password = "p",
                                         const std::string& directory = {}) {
    auto ftp = CreateObject("KVRUpload.clsKVRUpload");
    Variant dir = directory.empty() ? Variant::missing() : Variant(directory);
    auto r = texts(ftp->call("Connect", {Variant(host), Variant(user), Variant(password), dir}));
    if (r.at(0) != "1")
        throw std::runtime_error("connect failed: " + r.at(1));
    return ftp;
}

struct Vsftpd {
    std::map<std::string, std::string> env = server_env("ftp");
    bool running() const { return !env.empty(); }
    std::string host() const { return "127.0.0.1:" + env.at("KVR_FTP_PORT"); }
    std::string user() const { return env.at("KVR_FTP_USER"); }
    std::string password() const { return env.at("KVR_FTP_PASSWORD"); }
    std::filesystem::path home() const { return env.at("KVR_FTP_HOME"); }

    // A fresh folder under the server's root that the server's user may write in.
    std::string fresh_folder(const std::string& name) const {
        auto p = home() / name;
        std::filesystem::remove_all(p);
        std::filesystem::create_directories(p);
        chmod(p.c_str(), 0777);
        return name;
    }

    std::shared_ptr<Object> connected(const std::string& directory = {}) const {
        return test::connected(host(), user(), password(), directory);
    }
};

inline void answer_dialog(std::optional<std::string> path) {
    auto& hb = dynamic_cast<ui::HeadlessBackend&>(ui::backend());
    hb.queue(ui::UserAction{ui::UserAction::Dialog, "", std::move(path)});
}

// A reply as the class hands it back: CR LF, the reply, and the buffer's unfilled NUL.
inline std::string with_reply(const std::string& reply) {
    return "\r\n" + reply + std::string(1, '\0');
}

} // namespace kvr::test
