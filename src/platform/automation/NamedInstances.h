// The library's internal singletons by name (default form instances, modules), so a host
// that drives the library from outside (the Python host, tests) can reach them late-bound.
#pragma once

#include "platform/automation/Object.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvr {

struct NamedInstance {
    std::string name;
    std::string kind;                             // "form" or "module"
    std::function<std::shared_ptr<Object>()> get; // creates on first reference
    std::function<void()> unload;                 // forms only
};

class NamedInstances {
  public:
    static NamedInstances& instance();
    void add(NamedInstance entry);
    std::optional<NamedInstance> find(const std::string& name) const;
    std::vector<std::string> names(const std::string& kind) const;

  private:
    std::vector<NamedInstance> m_entries;
};

struct NamedInstanceRegistrar {
    explicit NamedInstanceRegistrar(NamedInstance entry) {
        NamedInstances::instance().add(std::move(entry));
    }
};

} // namespace kvr
