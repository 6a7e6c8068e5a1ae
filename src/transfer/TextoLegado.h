// The legacy runtime's text functions as the transfer routines use them: positions count
// from 1, a search that finds nothing gives 0, and a length below zero is an invalid call.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kvr::texto {

// InStr(s, what): the 1-based position of the first `what`, or 0.
std::size_t InStr(const std::string& s, const std::string& what);
// InStrRev(s, what): the 1-based position of the last `what`, or 0.
std::size_t InStrRev(const std::string& s, const std::string& what);
// Mid(s, start): from the 1-based `start` to the end; start < 1 raises error 5.
std::string Mid(const std::string& s, std::size_t start);
// Left(s, count): count < 0 raises error 5.
std::string Left(const std::string& s, long long count);
// Split(s, sep): no pieces for an empty text, as the runtime gives.
std::vector<std::string> Split(const std::string& s, const std::string& sep);

// The part of a local path after its last "/" (the whole text when it has none).
std::string nome_do_arquivo(const std::string& path);

} // namespace kvr::texto
