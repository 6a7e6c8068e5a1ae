// The auto-created default instance of a form: created on first reference, released by
// Unload, registered by name so hosts outside the library can reach it. One per thread.
#pragma once

#include "platform/automation/NamedInstances.h"

#include <memory>

namespace kvr::ui {

template <typename T> class DefaultInstance {
  public:
    static T& get() {
        auto& s = slot();
        if (!s)
            s = std::make_shared<T>();
        return *s;
    }
    static std::shared_ptr<T> shared() {
        get();
        return slot();
    }
    static bool exists() { return static_cast<bool>(slot()); }
    // Unload and release: the next reference creates a fresh instance.
    static void unload() {
        auto s = std::move(slot());
        if (s)
            s->unload();
    }

  private:
    static std::shared_ptr<T>& slot() {
        // Apartment threading: each thread has its own default instance.
        thread_local std::shared_ptr<T> instance;
        return instance;
    }
};

// Registers the form T under `name` in NamedInstances (kind "form").
template <typename T> NamedInstance form_entry(std::string name) {
    return NamedInstance{
        std::move(name), "form",
        [] { return std::static_pointer_cast<Object>(DefaultInstance<T>::shared()); },
        [] { DefaultInstance<T>::unload(); }};
}

} // namespace kvr::ui
