// The in-process server's own state: its module handle, the count of live COM objects and
// server locks (what DllCanUnloadNow answers from), and its embedded type library.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

namespace kvr::win32 {

HMODULE module_handle();
std::wstring module_path();

void add_server_ref();
void release_server_ref();
long server_refs();

// The type library embedded in the DLL, or nullptr when the build had none.
ITypeLib* type_library();
// The description of one interface or class in it (an added reference), or nullptr.
ITypeInfo* type_info(REFGUID guid);

// "{8B7B...}" as a GUID; false when the text is not one.
bool parse_guid(const std::string& text, GUID& guid);

} // namespace kvr::win32
