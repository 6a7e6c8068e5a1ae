// One library object's lock in the Python host: calls on one object from several threads run
// one at a time, as each object's state (its connection, its thread's last error and reply)
// belongs to one call at a time; different objects keep running in parallel.
#pragma once

#include <memory>
#include <mutex>

namespace kvr {
class Object;
}

namespace kvr::python {

class ObjectLock {
  public:
    // The lock of `object`, shared by every Python view of it while one is alive.
    static std::shared_ptr<ObjectLock> of(const Object* object);

    // Recursive: a host component or window the call runs may call the same object back on
    // the same thread.
    std::recursive_timed_mutex& mutex() { return m_mutex; }

  private:
    std::recursive_timed_mutex m_mutex;
};

} // namespace kvr::python
