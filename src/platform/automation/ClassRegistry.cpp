#include "platform/automation/ClassRegistry.h"

#include "platform/automation/ComError.h"

#include <algorithm>
#include <cctype>

namespace kvr {

namespace {
std::string folded(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}
} // namespace

ClassRegistry& ClassRegistry::instance() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::add(ClassInfo info) {
    std::lock_guard lock(m_mutex);
    auto key = folded(info.progid);
    auto it = std::find_if(m_classes.begin(), m_classes.end(),
                           [&](const ClassInfo& c) { return folded(c.progid) == key; });
    if (it != m_classes.end())
        *it = std::move(info);
    else
        m_classes.push_back(std::move(info));
}

bool ClassRegistry::remove(const std::string& progid) {
    std::lock_guard lock(m_mutex);
    auto key = folded(progid);
    auto it = std::find_if(m_classes.begin(), m_classes.end(),
                           [&](const ClassInfo& c) { return folded(c.progid) == key; });
    if (it == m_classes.end())
        return false;
    m_classes.erase(it);
    return true;
}

std::optional<ClassInfo> ClassRegistry::find_progid(const std::string& progid) const {
    std::lock_guard lock(m_mutex);
    auto key = folded(progid);
    for (const auto& c : m_classes)
        if (folded(c.progid) == key)
            return c;
    return std::nullopt;
}

std::optional<ClassInfo> ClassRegistry::find_clsid(const std::string& clsid) const {
    std::lock_guard lock(m_mutex);
    auto key = folded(clsid);
    for (const auto& c : m_classes)
        if (!c.clsid.empty() && folded(c.clsid) == key)
            return c;
    return std::nullopt;
}

std::vector<ClassInfo> ClassRegistry::all() const {
    std::lock_guard lock(m_mutex);
    return m_classes;
}

std::shared_ptr<Object> CreateObject(const std::string& progid) {
    auto info = ClassRegistry::instance().find_progid(progid);
    if (!info || !info->factory)
        raise_runtime(rt::CannotCreateObject);
    auto obj = info->factory();
    if (!obj)
        raise_runtime(rt::CannotCreateObject);
    return obj;
}

ClassRegistrar::ClassRegistrar(ClassInfo info) {
    info.library_class = true;
    ClassRegistry::instance().add(std::move(info));
}

} // namespace kvr
