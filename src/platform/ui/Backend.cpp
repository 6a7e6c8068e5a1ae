#include "platform/ui/Backend.h"

#include "platform/ui/HeadlessBackend.h"

namespace kvr::ui {

namespace {
bool g_alive = false;

struct Holder {
    std::unique_ptr<Backend> backend = std::make_unique<HeadlessBackend>();
    Holder() { g_alive = true; }
    ~Holder() { g_alive = false; }
};

std::unique_ptr<Backend>& current() {
    static Holder holder;
    return holder.backend;
}
} // namespace

bool backend_alive() {
    return g_alive;
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
