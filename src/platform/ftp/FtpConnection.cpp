#include "platform/ftp/FtpConnection.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "platform/sys/Codeset.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvr::ftpnet {

namespace {

// A file beside `path` that becomes `path` only when the transfer completes.
class PartialFile {
  public:
    explicit PartialFile(const std::string& path) : m_target(path) {
        static std::atomic<unsigned> counter{0};
        auto slash = path.rfind('/');
        std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_path = folder + "." + name + ".part-" + std::to_string(getpid()) + "-" +
                     std::to_string(counter++);
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        m_error = m_fd < 0 ? errno : 0;
    }
    ~PartialFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
            ::unlink(m_path.c_str());
        }
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    int fd() const { return m_fd; }
    int error() const { return m_error; }

    // Moves the finished file into place; errno on failure.
    int commit() {
        int rc = ::close(m_fd);
        m_fd = -1;
        if (rc != 0 || ::rename(m_path.c_str(), m_target.c_str()) != 0) {
            int err = errno;
            ::unlink(m_path.c_str());
            return err;
        }
        return 0;
    }

  private:
    std::string m_target;
    std::string m_path;
    int m_fd = -1;
    int m_error = 0;
};

bool write_all(int fd, const char* data, std::size_t size, int& err) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string type_argument(TransferType type) {
    return type == TransferType::Ascii ? "A" : "I";
}

} // namespace

FtpConnection::FtpConnection(Socket control) : m_control(std::move(control)) {}

std::unique_ptr<FtpConnection> FtpConnection::connect(FtpSession&, const std::string& host_text,
                                                      const std::optional<std::string>& user,
                                                      const std::optional<std::string>& password) {
    set_last_error(code::Success);
    IoError error;
    auto control = connect_host(sys::to_locale_codeset(host_text), error);
    if (!control) {
        set_last_error(error_for_failure(error.failure));
        return nullptr;
    }
    std::unique_ptr<FtpConnection> c(new FtpConnection(std::move(*control)));
    if (!c->exchange(FtpCommand::Greeting) ||
        !c->exchange(FtpCommand::User, user.value_or("anonymous")))
        return nullptr;
    if (c->m_state != SessionState::Ready && !c->exchange(FtpCommand::Pass, password.value_or("")))
        return nullptr;
    set_last_error(code::Success);
    return c;
}

FtpConnection::~FtpConnection() {
    if (m_state != SessionState::Ready)
        return;
    // A polite goodbye, but a server that does not answer promptly is not waited for.
    timeval tv{1, 0};
    setsockopt(m_control.fd(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::uint32_t error = last_error();
    exchange(FtpCommand::Quit);
    set_last_error(error);
}

char* FtpConnection::buffer() {
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(kBufferSize);
    return m_buffer.get();
}

bool FtpConnection::fail(Failure failure, int) {
    set_last_error(error_for_failure(failure));
    if (failure != Failure::ServerRefused && failure != Failure::WrongState) {
        // The control connection is out of step with the server: nothing more can be said on it.
        m_control.close();
        m_state = SessionState::Closed;
    }
    return false;
}

bool FtpConnection::fail_errno(int err) {
    set_last_error(error_for_errno(err));
    return false;
}

bool FtpConnection::read_reply(FtpReply& reply) {
    for (;;) {
        if (!m_pending.empty()) {
            std::size_t consumed = 0;
            auto status = m_parser.feed(m_pending, consumed);
            m_pending.erase(0, consumed);
            if (status == FtpReplyParser::Status::Invalid) {
                m_parser.reset();
                return fail(Failure::InvalidReply);
            }
            if (status == FtpReplyParser::Status::Complete) {
                reply = m_parser.reply();
                m_parser.reset();
                set_last_response(reply.text);
                return true;
            }
        }
        char chunk[4096];
        std::size_t got = 0;
        IoError error;
        if (!receive_some(m_control, chunk, sizeof chunk, got, error))
            return fail(error.failure, error.err);
        m_pending.append(chunk, got);
    }
}

bool FtpConnection::exchange(FtpCommand command, const std::string& argument) {
    const CommandRule& rule = rule_for(command);
    if (m_state == SessionState::Closed)
        return fail(Failure::ConnectionClosed);
    if (m_state != rule.needs)
        return fail(Failure::WrongState);
    if (!rule.verb.empty()) {
        std::string line(rule.verb);
        if (!argument.empty()) {
            line += ' ';
            line += sys::to_locale_codeset(argument);
        }
        line += "\r\n";
        IoError error;
        if (!send_all(m_control, line.data(), line.size(), error))
            return fail(error.failure, error.err);
    }
    for (;;) {
        FtpReply reply;
        if (!read_reply(reply))
            return false;
        switch (classify(rule, reply.code)) {
        case Outcome::Wait:
            continue;
        case Outcome::Done:
            m_state = rule.on_done;
            return true;
        case Outcome::GoOn:
            m_state = rule.on_go_on;
            return true;
        case Outcome::Refused:
            m_state = rule.on_refused;
            set_last_error(error_for_reply(reply.code));
            return false;
        }
    }
}

std::optional<Socket> FtpConnection::open_transfer(FtpCommand command, const std::string& argument,
                                                   std::optional<TransferType> type) {
    if (type && !exchange(FtpCommand::Type, type_argument(*type)))
        return std::nullopt;
    std::string port_argument;
    bool extended = false;
    IoError error;
    auto listener = listen_beside(m_control, port_argument, extended, error);
    if (!listener) {
        set_last_error(error_for_failure(error.failure));
        return std::nullopt;
    }
    if (!exchange(extended ? FtpCommand::Eprt : FtpCommand::Port, port_argument) ||
        !exchange(command, argument))
        return std::nullopt;
    bool control_first = false;
    auto data = accept_data(*listener, m_control, control_first, error);
    if (data)
        return data;
    if (control_first) {
        // The server answered instead of connecting (425, 550, ...): that reply ends it.
        if (exchange(FtpCommand::TransferDone))
            set_last_error(error_for_reply(425));
        return std::nullopt;
    }
    fail(error.failure, error.err);
    return std::nullopt;
}

bool FtpConnection::finish_transfer(Socket& data) {
    data.close();
    return exchange(FtpCommand::TransferDone);
}

bool FtpConnection::set_current_directory(const std::string& directory) {
    set_last_error(code::Success);
    return exchange(FtpCommand::Cwd, directory);
}

std::unique_ptr<FtpFind> FtpConnection::find_first(const std::string& filter,
                                                   std::string& first_name) {
    set_last_error(code::Success);
    auto slash = filter.rfind('/');
    std::string folder = slash == std::string::npos ? "" : filter.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? filter : filter.substr(slash + 1);
    auto data = open_transfer(FtpCommand::Nlst, folder, std::nullopt);
    if (!data)
        return nullptr;
    std::string listing;
    for (;;) {
        std::size_t got = 0;
        IoError error;
        if (!receive_some(*data, buffer(), kBufferSize, got, error)) {
            if (error.failure == Failure::ConnectionClosed)
                break;
            fail(error.failure, error.err);
            return nullptr;
        }
        if (listing.size() + got > kMaxListing) {
            fail(Failure::InvalidReply);
            return nullptr;
        }
        listing.append(buffer(), got);
    }
    if (!finish_transfer(*data))
        return nullptr;
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < listing.size()) {
        auto end = listing.find('\n', start);
        if (end == std::string::npos)
            end = listing.size();
        std::string name = listing.substr(start, end - start);
        start = end + 1;
        if (!name.empty() && name.back() == '\r')
            name.pop_back();
        if (name.empty())
            continue;
        auto base = name.rfind('/');
        if (filter_matches(pattern, base == std::string::npos ? name : name.substr(base + 1)))
            names.push_back(sys::from_locale_codeset(name));
    }
    auto find = std::make_unique<FtpFind>(std::move(names));
    if (!find->next(first_name))
        return nullptr;
    return find;
}

bool FtpConnection::get_file(const std::string& remote, const std::string& local,
                             TransferType type) {
    set_last_error(code::Success);
    PartialFile file(local);
    if (file.fd() < 0)
        return fail_errno(file.error());
    auto data = open_transfer(FtpCommand::Retr, remote, type);
    if (!data)
        return false;
    int write_error = 0;
    for (;;) {
        std::size_t got = 0;
        IoError error;
        if (!receive_some(*data, buffer(), kBufferSize, got, error)) {
            if (error.failure == Failure::ConnectionClosed)
                break;
            return fail(error.failure, error.err);
        }
        if (!write_all(file.fd(), buffer(), got, write_error)) {
            finish_transfer(*data);
            return fail_errno(write_error);
        }
    }
    if (!finish_transfer(*data))
        return false;
    if (int err = file.commit())
        return fail_errno(err);
    return true;
}

bool FtpConnection::put_file(const std::string& local, const std::string& remote,
                             TransferType type) {
    set_last_error(code::Success);
    int fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        set_last_error(err == ENOENT ? code::FileNotFound : error_for_errno(err));
        return false;
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    auto data = open_transfer(FtpCommand::Stor, remote, type);
    if (!data)
        return false;
    IoError error;
    if (!send_file(*data, fd, error)) {
        if (error.failure == Failure::TimedOut || error.err == EIO)
            return fail(error.failure, error.err);
        // The server dropped the data connection: its reply says why (552, 426, ...).
        if (finish_transfer(*data))
            set_last_error(error_for_failure(error.failure));
        return false;
    }
    return finish_transfer(*data);
}

bool FtpConnection::rename_file(const std::string& from, const std::string& to) {
    set_last_error(code::Success);
    return exchange(FtpCommand::Rnfr, from) && exchange(FtpCommand::Rnto, to);
}

bool FtpConnection::delete_file(const std::string& name) {
    set_last_error(code::Success);
    return exchange(FtpCommand::Dele, name);
}

} // namespace kvr::ftpnet
