// An object of the library (or a component it creates), reached late-bound by member name,
// as a script host reaches it.
#pragma once

#include <kvrupload/Export.h>
#include <kvrupload/Value.h>

#include <memory>
#include <string>
#include <vector>

namespace kvrupload {

class KVRUPLOAD_API Object {
  public:
    // A new object of the class registered under `progid` ("KVRUpload.ctlKVRUpload", ...);
    // raises Error 429 when no class has that name.
    static Object create(const std::string& progid);

    Value get(const std::string& name) const;
    void set(const std::string& name, const Value& value);
    Value call(const std::string& name, const std::vector<Value>& args = {});
    std::string type_name() const;

    // The model's own object (kvr::Object); opaque here.
    explicit Object(std::shared_ptr<void> object);
    const std::shared_ptr<void>& handle() const { return m_object; }

  private:
    std::shared_ptr<void> m_object;
};

} // namespace kvrupload
