#include "platform/ftp/FtpReply.h"

namespace kvr::ftpnet {

namespace {
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The code a line starts with, or -1 when it does not start with three digits.
int line_code(const std::string& line) {
    if (line.size() < 3 || !is_digit(line[0]) || !is_digit(line[1]) || !is_digit(line[2]))
        return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// The character after the code: ' ' ends a reply, '-' opens a multi-line one. A bare code
// followed by the line end counts as a one-line reply.
char separator(const std::string& line) {
    if (line.size() < 4)
        return ' ';
    return (line[3] == '\r' || line[3] == '\n') ? ' ' : line[3];
}
} // namespace

void FtpReplyParser::reset() {
    m_reply = FtpReply{};
    m_line.clear();
    m_open_code = 0;
    m_lines = 0;
}

FtpReplyParser::Status FtpReplyParser::feed(std::string_view data, std::size_t& consumed) {
    consumed = 0;
    while (consumed < data.size()) {
        std::string_view rest = data.substr(consumed);
        std::size_t lf = rest.find('\n');
        std::size_t take = lf == std::string_view::npos ? rest.size() : lf + 1;
        if (m_line.size() + take > kMaxLine ||
            m_reply.text.size() + m_line.size() + take > kMaxReply)
            return Status::Invalid;
        m_line.append(rest.substr(0, take));
        consumed += take;
        if (lf == std::string_view::npos)
            return Status::NeedMore;
        Status s = take_line();
        if (s != Status::NeedMore)
            return s;
    }
    return Status::NeedMore;
}

FtpReplyParser::Status FtpReplyParser::take_line() {
    const int code = line_code(m_line);
    const char sep = code >= 0 ? separator(m_line) : '\0';
    m_reply.text += m_line;
    m_line.clear();
    if (++m_lines > kMaxLines)
        return Status::Invalid;
    if (m_open_code == 0) {
        if (code < 100 || (sep != ' ' && sep != '-'))
            return Status::Invalid;
        m_reply.code = code;
        if (sep == '-') {
            m_open_code = code;
            return Status::NeedMore;
        }
        return Status::Complete;
    }
    // Inside a multi-line reply any line may appear; only "ddd " with the opening code ends it.
    if (code == m_open_code && sep == ' ')
        return Status::Complete;
    return Status::NeedMore;
}

} // namespace kvr::ftpnet
