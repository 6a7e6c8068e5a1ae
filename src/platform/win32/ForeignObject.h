// An object another COM server made (an outside component registered on the machine), seen
// through its IDispatch like any object of the model: members by name, errors as ComError.
#pragma once

#include "platform/automation/Object.h"

#include <oaidl.h>
#include <windows.h>

namespace kvr::win32 {

class ForeignObject final : public Object {
  public:
    explicit ForeignObject(IDispatch* dispatch); // takes a reference of its own
    ~ForeignObject() override;

    IDispatch* dispatch() const { return m_dispatch; }

    std::string type_name() const override;
    Variant get(std::string_view name) override;
    void put(std::string_view name, const Variant& value) override;
    Variant call(std::string_view name, VariantArray args) override;

  private:
    Variant invoke(std::string_view name, WORD flags, const VariantArray& args);
    IDispatch* m_dispatch;
};

// Creates an object by ProgID through COM; nothing when the ProgID is not registered there,
// or when it names one of this DLL's own classes.
std::shared_ptr<Object> create_through_com(const std::string& progid);

// The outside components are looked up through COM first, so a component registered on the
// machine wins; the library's default answers only where none is registered.
void prefer_registered_components();

} // namespace kvr::win32
