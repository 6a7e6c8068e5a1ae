#include "transfer/TextoLegado.h"

#include "platform/automation/ComError.h"

namespace kvr::texto {

std::size_t InStr(const std::string& s, const std::string& what) {
    const auto p = s.find(what);
    return p == std::string::npos ? 0 : p + 1;
}

std::size_t InStrRev(const std::string& s, const std::string& what) {
    const auto p = s.rfind(what);
    return p == std::string::npos ? 0 : p + 1;
}

std::string Mid(const std::string& s, std::size_t start) {
    if (start < 1)
        raise_runtime(rt::InvalidProcedureCall);
    return start > s.size() ? std::string() : s.substr(start - 1);
}

std::string Left(const std::string& s, long long count) {
    if (count < 0)
        raise_runtime(rt::InvalidProcedureCall);
    return s.substr(0, static_cast<std::size_t>(count));
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
    std::vector<std::string> pieces;
    if (s.empty())
        return pieces;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
        pieces.push_back(s.substr(from, at - from));
    pieces.push_back(s.substr(from));
    return pieces;
}

std::string nome_do_arquivo(const std::string& path) {
    return Mid(path, InStrRev(path, "/") + 1);
}

} // namespace kvr::texto
