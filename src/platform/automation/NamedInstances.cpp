#include "platform/automation/NamedInstances.h"

namespace kvr {

NamedInstances& NamedInstances::instance() {
    static NamedInstances registry;
    return registry;
}

void NamedInstances::add(NamedInstance entry) {
    for (auto& e : m_entries)
        if (e.name == entry.name) {
            e = std::move(entry);
            return;
        }
    m_entries.push_back(std::move(entry));
}

std::optional<NamedInstance> NamedInstances::find(const std::string& name) const {
    for (const auto& e : m_entries)
        if (e.name == name)
            return e;
    return std::nullopt;
}

std::vector<std::string> NamedInstances::names(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& e : m_entries)
        if (e.kind == kind)
            out.push_back(e.name);
    return out;
}

} // namespace kvr
