#include "platform/ftp/FtpConnection.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "platform/sys/Codeset.h"
#include "platform/sys/InputFile.h"
#include "platform/sys/OutputFile.h"

#include <cerrno>

namespace kvr::ftpnet {

namespace {

std::string type_argument(TransferType type) {
    return type == TransferType::Ascii ? "A" : "I";
}

} // namespace

FtpConnection::FtpConnection(Socket control) : m_control(std::move(control)) {}

std::unique_ptr<FtpConnection> FtpConnection::connect(FtpSession&, const std::string& host_text,
                                                      const std::optional<std::string>& user,
                                                      const std::optional<std::string>& password) {
    set_last_error(code::Success);
    auto control = connect_host(sys::to_locale_codeset(host_text));
    if (!control) {
        set_last_error(error_for_failure(control.error().failure));
        return nullptr;
    }
    std::unique_ptr<FtpConnection> c(new FtpConnection(std::move(control.value())));
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
    set_receive_timeout(m_control, std::chrono::seconds(1));
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
        auto got = receive_some(m_control, chunk, sizeof chunk);
        if (!got)
            return fail(got.error().failure, got.error().err);
        m_pending.append(chunk, got.value());
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
        if (auto sent = send_all(m_control, line.data(), line.size()); !sent)
            return fail(sent.error().failure, sent.error().err);
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
    auto listener = listen_beside(m_control);
    if (!listener) {
        set_last_error(error_for_failure(listener.error().failure));
        return std::nullopt;
    }
    const DataListener& l = listener.value();
    if (!exchange(l.extended ? FtpCommand::Eprt : FtpCommand::Port, l.command_argument) ||
        !exchange(command, argument))
        return std::nullopt;
    auto data = accept_data(l.socket, m_control);
    if (!data) {
        fail(data.error().failure, data.error().err);
        return std::nullopt;
    }
    if (data.value())
        return std::move(data.value());
    // The server answered instead of connecting (425, 550, ...): that reply ends it.
    if (exchange(FtpCommand::TransferDone))
        set_last_error(error_for_reply(425));
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
        auto got = receive_some(*data, buffer(), kBufferSize);
        if (!got) {
            if (got.error().failure == Failure::ConnectionClosed)
                break;
            fail(got.error().failure, got.error().err);
            return nullptr;
        }
        if (listing.size() + got.value() > kMaxListing) {
            fail(Failure::InvalidReply);
            return nullptr;
        }
        listing.append(buffer(), got.value());
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
    auto file = sys::OutputFile::create(local, sys::OutputFile::Placement::Beside);
    if (!file)
        return fail_errno(file.error().err);
    auto data = open_transfer(FtpCommand::Retr, remote, type);
    if (!data)
        return false;
    for (;;) {
        auto got = receive_some(*data, buffer(), kBufferSize);
        if (!got) {
            if (got.error().failure == Failure::ConnectionClosed)
                break;
            return fail(got.error().failure, got.error().err);
        }
        if (auto written = file.value().write(buffer(), got.value()); !written) {
            finish_transfer(*data);
            return fail_errno(written.error().err);
        }
    }
    if (!finish_transfer(*data))
        return false;
    if (auto committed = file.value().commit(); !committed)
        return fail_errno(committed.error().err);
    return true;
}

bool FtpConnection::put_file(const std::string& local, const std::string& remote,
                             TransferType type) {
    set_last_error(code::Success);
    auto file = sys::InputFile::open(local);
    if (!file) {
        int err = file.error().err;
        set_last_error(err == ENOENT ? code::FileNotFound : error_for_errno(err));
        return false;
    }
    auto data = open_transfer(FtpCommand::Stor, remote, type);
    if (!data)
        return false;
    if (auto sent = send_file(*data, file.value().native_handle()); !sent) {
        const SocketError& error = sent.error();
        if (error.failure == Failure::TimedOut || error.failure == Failure::Cancelled ||
            error.err == EIO)
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
