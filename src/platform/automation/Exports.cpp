#include "platform/automation/Exports.h"

#include "platform/automation/ClassRegistry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace {

constexpr std::int32_t S_OK_ = 0;
constexpr std::int32_t S_FALSE_ = 1;
constexpr std::int32_t E_POINTER_ = static_cast<std::int32_t>(0x80004003u);
constexpr std::int32_t CLASS_E_CLASSNOTAVAILABLE_ = static_cast<std::int32_t>(0x80040111u);
constexpr std::int32_t SELFREG_E_CLASS_ = static_cast<std::int32_t>(0x80040201u);

std::filesystem::path registry_file() {
    if (const char* p = std::getenv("KVRUPLOAD_REGISTRY"); p && *p)
        return p;
    std::filesystem::path base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::filesystem::path(h) / ".local" / "share";
    else
        base = "/tmp";
    return base / "KVRUpload" / "registry";
}

// The file holds one "ProgID<TAB>CLSID" line per class; other lines are kept.
std::map<std::string, std::string> read_registry(const std::filesystem::path& file) {
    std::map<std::string, std::string> entries;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab != std::string::npos)
            entries[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return entries;
}

bool write_registry(const std::filesystem::path& file,
                    const std::map<std::string, std::string>& entries) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    auto tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        for (const auto& [progid, clsid] : entries)
            out << progid << '\t' << clsid << '\n';
        if (!out.flush())
            return false;
    }
    std::filesystem::rename(tmp, file, ec);
    return !ec;
}

std::mutex g_handed_mutex;
std::map<kvr::Object*, std::shared_ptr<kvr::Object>> g_handed;

kvr::Object* create_held(const char* clsid) {
    auto info = kvr::ClassRegistry::instance().find_clsid(clsid);
    if (!info)
        return nullptr;
    try {
        auto obj = info->factory();
        if (!obj)
            return nullptr;
        std::lock_guard lock(g_handed_mutex);
        g_handed[obj.get()] = obj;
        return obj.get();
    } catch (...) {
        return nullptr;
    }
}

void release_held(kvr::Object* o) {
    std::lock_guard lock(g_handed_mutex);
    g_handed.erase(o);
}

} // namespace

extern "C" {

std::int32_t DllRegisterServer() {
    auto file = registry_file();
    auto entries = read_registry(file);
    for (const auto& c : kvr::ClassRegistry::instance().all())
        if (c.library_class)
            entries[c.progid] = c.clsid;
    return write_registry(file, entries) ? S_OK_ : SELFREG_E_CLASS_;
}

std::int32_t DllUnregisterServer() {
    auto file = registry_file();
    auto entries = read_registry(file);
    for (const auto& c : kvr::ClassRegistry::instance().all())
        if (c.library_class)
            entries.erase(c.progid);
    return write_registry(file, entries) ? S_OK_ : SELFREG_E_CLASS_;
}

std::int32_t DllGetClassObject(const char* clsid, const char* /*iid*/, void** ppv) {
    if (!ppv || !clsid)
        return E_POINTER_;
    *ppv = nullptr;
    auto info = kvr::ClassRegistry::instance().find_clsid(clsid);
    if (!info)
        return CLASS_E_CLASSNOTAVAILABLE_;
    static std::mutex m;
    static std::map<std::string, std::unique_ptr<std::pair<std::string, kvr::ClassFactory>>>
        factories;
    std::lock_guard lock(m);
    auto& slot = factories[info->clsid];
    if (!slot) {
        slot = std::make_unique<std::pair<std::string, kvr::ClassFactory>>();
        slot->first = info->clsid;
        slot->second = kvr::ClassFactory{slot->first.c_str(), &create_held, &release_held};
    }
    *ppv = &slot->second;
    return S_OK_;
}

std::int32_t DllCanUnloadNow() {
    return kvr::Object::live_count() == 0 ? S_OK_ : S_FALSE_;
}
}
