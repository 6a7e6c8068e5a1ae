#include "platform/ui/Backend.h"

#include "platform/ui/DefaultBackend.h"
#include "platform/ui/HeadlessBackend.h"

namespace kvr::ui {

namespace {
// Per thread, as the forms are: two threads never share a window, its record or its user.
thread_local bool t_alive = false;

struct Holder {
    std::unique_ptr<Backend> backend = default_backend();
    Holder() { t_alive = true; }
    ~Holder() { t_alive = false; }
};

std::unique_ptr<Backend>& current() {
    thread_local Holder holder;
    return holder.backend;
}
} // namespace

bool backend_alive() {
    return t_alive;
}

Backend::~Backend() = default;

Backend& backend() {
    return *current();
}

std::unique_ptr<Backend> set_backend(std::unique_ptr<Backend> b) {
    auto old = std::move(current());
    current() = b ? std::move(b) : std::make_unique<HeadlessBackend>();
    return old;
}

} // namespace kvr::ui
