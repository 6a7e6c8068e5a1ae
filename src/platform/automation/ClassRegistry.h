// Class factories by ProgID and class identifier: what CreateObject looks up. The library's
// own classes register themselves; hosts and tests may add or replace factories (the outside
// components are reached this way, so "not installed" is simply "not registered").
#pragma once

#include "platform/automation/Object.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kvr {

struct ClassInfo {
    std::string progid;
    std::string clsid;
    std::function<std::shared_ptr<Object>()> factory;
    bool library_class = false; // one of ours: written to the registry file on registration
};

class ClassRegistry {
  public:
    static ClassRegistry& instance();

    void add(ClassInfo info); // replaces an entry of the same ProgID
    bool remove(const std::string& progid);
    std::optional<ClassInfo> find_progid(const std::string& progid) const;
    std::optional<ClassInfo> find_clsid(const std::string& clsid) const;
    std::vector<ClassInfo> all() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<ClassInfo> m_classes;
};

// Creates an object by ProgID (case-insensitive); error 429 when none is registered or its
// factory gives nothing. Errors a factory raises reach the caller unchanged.
std::shared_ptr<Object> CreateObject(const std::string& progid);

// For a static object in a class's own file.
struct ClassRegistrar {
    explicit ClassRegistrar(ClassInfo info);
};

} // namespace kvr
