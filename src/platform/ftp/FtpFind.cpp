#include "platform/ftp/FtpFind.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"

namespace kvr::ftpnet {

bool FtpFind::next(std::string& name) {
    if (m_next >= m_names.size()) {
        set_last_error(code::NoMoreFiles);
        return false;
    }
    name = std::move(m_names[m_next++]);
    set_last_error(code::Success);
    return true;
}

bool filter_matches(const std::string& filter, const std::string& name) {
    if (filter.empty() || filter == "*.*")
        return true;
    // Iterative glob with one backtrack point: linear in practice, never recursive.
    std::size_t f = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        // A "*" is a wildcard even where the name has a "*" of its own.
        if (f < filter.size() && filter[f] == '*') {
            star = f++;
            resume = n;
        } else if (f < filter.size() && (filter[f] == '?' || filter[f] == name[n])) {
            ++f;
            ++n;
        } else if (star != std::string::npos) {
            f = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (f < filter.size() && filter[f] == '*')
        ++f;
    return f == filter.size();
}

} // namespace kvr::ftpnet
