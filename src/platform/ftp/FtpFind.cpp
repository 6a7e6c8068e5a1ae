#include "platform/ftp/FtpFind.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"

namespace kvr::ftpnet {

FtpFind::FtpFind(std::string listing, std::string filter)
    : m_listing(std::move(listing)), m_filter(std::move(filter)) {}

bool FtpFind::next(std::string& name) {
    const std::string_view all(m_listing);
    while (m_next < all.size()) {
        auto end = all.find('\n', m_next);
        if (end == std::string_view::npos)
            end = all.size();
        std::string_view line = all.substr(m_next, end - m_next);
        m_next = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // A folder in the filter makes some servers list "folder/name": the caller gets names.
        if (line.find('/') != std::string_view::npos)
            line.remove_prefix(line.rfind('/') + 1);
        if (line.empty() || !filter_matches(m_filter, line))
            continue;
        name.assign(line);
        m_decoder.decode(name);
        set_last_error(code::Success);
        return true;
    }
    set_last_error(code::NoMoreFiles);
    return false;
}

std::size_t FtpFind::at_most_left() const {
    // Each name takes a byte and a line break, but the last one may have no break.
    return m_next >= m_listing.size() ? 0 : (m_listing.size() - m_next + 1) / 2;
}

bool filter_matches(std::string_view filter, std::string_view name) {
    if (filter.empty() || filter == "*.*")
        return true;
    // Iterative glob with one backtrack point: linear in practice, never recursive.
    std::size_t f = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        // A "*" is a wildcard even where the name has a "*" of its own.
        if (f < filter.size() && filter[f] == '*') {
            star = f++;
            resume = n;
        } else if (f < filter.size() && (filter[f] == '?' || filter[f] == name[n])) {
            ++f;
            ++n;
        } else if (star != std::string_view::npos) {
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
