// Replaces (or removes) a ProgID's registration for the life of the guard.
#pragma once

#include "platform/automation/ClassRegistry.h"

#include <optional>
#include <string>

namespace kvr::test {

class RegistrationGuard {
  public:
    explicit RegistrationGuard(std::string progid)
        : m_progid(std::move(progid)), m_saved(ClassRegistry::instance().find_progid(m_progid)) {}
    ~RegistrationGuard() {
        if (m_saved)
            ClassRegistry::instance().add(*m_saved);
        else
            ClassRegistry::instance().remove(m_progid);
    }
    RegistrationGuard(const RegistrationGuard&) = delete;
    RegistrationGuard& operator=(const RegistrationGuard&) = delete;

    template <typename F> void replace(F factory) {
        ClassRegistry::instance().add(ClassInfo{m_progid, "", factory, false});
    }
    void remove() { ClassRegistry::instance().remove(m_progid); }

  private:
    std::string m_progid;
    std::optional<ClassInfo> m_saved;
};

} // namespace kvr::test
