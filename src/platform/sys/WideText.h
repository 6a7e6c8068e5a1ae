// UTF-8 inside, UTF-16 at every Windows call (Windows builds only).
#pragma once

#include <string>

namespace kvr::sys {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
std::string narrow(const wchar_t* wide, std::size_t size);

} // namespace kvr::sys
