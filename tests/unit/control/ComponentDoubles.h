// Helpers of the control's tests: Variants printed readably, a server-environment component
// that counts its creations and releases, and a guard that puts back whatever was registered
// under a ProgID before.
#pragma once

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/Object.h"

#include <optional>
#include <ostream>
#include <string>

namespace kvr {
// How a failed expectation shows a Variant: its type name and its text.
inline void PrintTo(const Variant& v, std::ostream* os) {
    *os << v.type_name();
    if (v.is_array()) {
        *os << " {";
        for (const auto& item : v.as_array()) {
            PrintTo(item, os);
            *os << "; ";
        }
        *os << "}";
    } else if (!v.is_null() && !v.is_object() && !v.is_missing()) {
        *os << " \"" << v.to_string() << "\"";
    }
}
} // namespace kvr

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
