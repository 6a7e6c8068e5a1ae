#include "platform/inet/ResponseHeaders.h"

#include <cctype>

namespace kvr::inet {

namespace {

int status_of(std::string_view status_line) {
    auto sp = status_line.find(' ');
    if (sp == std::string_view::npos)
        return 0;
    int code = 0;
    for (std::size_t i = sp + 1; i < status_line.size() && i < sp + 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(status_line[i])))
            return 0;
        code = code * 10 + (status_line[i] - '0');
    }
    return code;
}

bool names_location(const std::vector<std::string>& block) {
    for (const auto& line : block) {
        if (line.size() >= 9) {
            std::string name;
            for (char c : line.substr(0, 9))
                name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (name == "location:")
                return true;
        }
    }
    return false;
}

} // namespace

void ResponseHeaders::add_line(std::string_view line) {
    if (m_final)
        return; // trailers of a chunked body
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);

    if (m_block.empty()) {
        if (line.empty())
            return;
        // The next response began: a block kept back was a redirection hop.
        m_candidate.clear();
        m_status = status_of(line);
        m_block.emplace_back(line);
        return;
    }
    if (!line.empty()) {
        m_block.emplace_back(line);
        return;
    }

    std::vector<std::string> block;
    block.swap(m_block);
    if (m_status >= 100 && m_status < 200)
        return;
    // A redirection the engine will follow is known only when the next response starts, so
    // a 3xx block naming a Location waits for the body or for the end of the transfer.
    if (m_status >= 300 && m_status < 400 && m_status != 304 && names_location(block)) {
        m_candidate = std::move(block);
        return;
    }
    finish(block);
}

void ResponseHeaders::body_started() {
    if (m_final)
        return;
    finish(!m_candidate.empty() ? m_candidate : m_block);
}

void ResponseHeaders::transfer_ended() {
    body_started();
}

void ResponseHeaders::clear() {
    m_block.clear();
    m_candidate.clear();
    m_status = 0;
    m_final = false;
    m_text.clear();
}

void ResponseHeaders::finish(const std::vector<std::string>& block) {
    m_text.clear();
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (i)
            m_text += "\r\n";
        m_text += block[i];
    }
    m_candidate.clear();
    m_block.clear();
    m_final = true;
}

} // namespace kvr::inet
