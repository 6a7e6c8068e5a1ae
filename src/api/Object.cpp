#include "api/Guarded.h"

#include "platform/automation/ClassRegistry.h"

namespace kvrupload {

Object::Object(std::shared_ptr<void> object) : m_object(std::move(object)) {}

Object Object::create(const std::string& progid) {
    return guarded(
        [&] { return Object(std::static_pointer_cast<void>(kvr::CreateObject(progid))); });
}

Value Object::get(const std::string& name) const {
    return guarded([&] { return wrap(model_object(*this)->get(name)); });
}

void Object::set(const std::string& name, const Value& value) {
    guarded([&] { model_object(*this)->put(name, value.impl().variant); });
}

Value Object::call(const std::string& name, const std::vector<Value>& args) {
    return guarded([&] {
        kvr::VariantArray a;
        a.reserve(args.size());
        for (const auto& v : args)
            a.push_back(v.impl().variant);
        return wrap(model_object(*this)->call(name, std::move(a)));
    });
}

std::string Object::type_name() const {
    return model_object(*this)->type_name();
}

} // namespace kvrupload
