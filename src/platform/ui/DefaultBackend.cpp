#include "platform/ui/DefaultBackend.h"

#include "platform/ui/HeadlessBackend.h"

namespace kvr::ui {

std::unique_ptr<Backend> default_backend() {
    return std::make_unique<HeadlessBackend>();
}

} // namespace kvr::ui
