// Components the control's tests register under the outside components' ProgIDs: a
// server-environment object that counts its creations and releases, and a guard that puts
// back whatever was registered before.
#pragma once

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/Object.h"

#include <optional>
#include <string>

namespace kvr::test {

class CountingServidor : public Object {
  public:
    static inline int created = 0;
    static inline int released = 0;
    CountingServidor() { ++created; }
    ~CountingServidor() override { ++released; }
    std::string type_name() const override { return "clsServidor"; }
    Variant call(std::string_view, VariantArray) override {
        return Variant::array({Variant("00"), Variant("APPL_PHYSICAL_PATH"), Variant("/srv/app")});
    }
    static void reset() { created = released = 0; }
};

// Replaces (or removes) a ProgID's registration for the life of the guard.
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
