#include "ObjectLock.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace kvr::python {

std::shared_ptr<ObjectLock> ObjectLock::of(const Object* object) {
    // Never destroyed: a view may still let its lock go while the process exits.
    static auto& registry_mutex = *new std::mutex;
    static auto& registry = *new std::map<const Object*, std::weak_ptr<ObjectLock>>;
    static std::size_t sweep_at = 64;
    std::lock_guard<std::mutex> guard(registry_mutex);
    auto& slot = registry[object];
    if (auto lock = slot.lock())
        return lock;
    // The entries of objects whose views are all gone are dropped now and then.
    if (registry.size() >= sweep_at) {
        for (auto it = registry.begin(); it != registry.end();)
            it = it->second.expired() && it->first != object ? registry.erase(it) : std::next(it);
        sweep_at = std::max<std::size_t>(64, 2 * registry.size());
    }
    auto lock = std::make_shared<ObjectLock>();
    slot = lock;
    return lock;
}

} // namespace kvr::python
