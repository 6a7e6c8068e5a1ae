#include "platform/ftp/FtpConnection.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "platform/ftp/ProgressWindow.h"
#include "platform/sys/Codeset.h"
#include "platform/sys/InputFile.h"
#include "platform/sys/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kvr::ftpnet {

namespace {

std::string type_argument(TransferType type) {
    return type == TransferType::Ascii ? "A" : "I";
}

// A CR or LF would end the command early and start one of the caller's text; a NUL cuts it.
bool unsafe_in_command(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool passive_asked() {
    const char* v = std::getenv("KVRUPLOAD_FTP_PASSIVE");
    return v && std::string_view(v) == "1";
}

// The port of a "227 ... (h1,h2,h3,h4,p1,p2)" or "229 ... (|||port|)" reply (some servers
// leave out the brackets); 0 when it has none. The address a 227 names is not used: data
// goes to the control connection's peer.
unsigned passive_port(const std::string& reply, bool extended) {
    auto open = reply.find('(');
    auto close = open == std::string::npos ? open : reply.find(')', open);
    std::string inside = open != std::string::npos && close != std::string::npos
                             ? reply.substr(open + 1, close - open - 1)
                             : reply.substr(std::min<std::size_t>(4, reply.size()));
    std::vector<unsigned> numbers;
    unsigned value = 0;
    bool digits = false;
    for (char c : inside + ',') {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            digits = true;
            if (value > 65535)
                return 0;
        } else if (digits) {
            numbers.push_back(value);
            value = 0;
            digits = false;
        }
    }
    if (extended)
        return numbers.size() == 1 ? numbers[0] : 0;
    if (numbers.size() != 6 || numbers[4] > 255 || numbers[5] > 255)
        return 0;
    return numbers[4] * 256 + numbers[5];
}

} // namespace

FtpConnection::FtpConnection(Socket control) : m_control(std::move(control)) {}

std::unique_ptr<FtpConnection> FtpConnection::connect(FtpSession&, const std::string& host_text,
                                                      const std::optional<std::string>& user,
                                                      const std::optional<std::string>& password) {
    set_last_error(code::Success);
    if (refuse_unsafe({user.value_or(""), password.value_or("")}))
        return nullptr;
    auto control = connect_host(sys::to_locale_codeset(host_text));
    if (!control) {
        set_last_error(error_for_failure(control.error().failure));
        return nullptr;
    }
    std::unique_ptr<FtpConnection> c(new FtpConnection(std::move(control.value())));
    c->m_passive = passive_asked();
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
    m_reply_limit = std::chrono::seconds(1);
    std::uint32_t error = last_error();
    exchange(FtpCommand::Quit);
    set_last_error(error);
}

char* FtpConnection::buffer() {
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
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

bool FtpConnection::refuse_unsafe(std::initializer_list<std::string_view> texts) {
    for (auto text : texts)
        if (unsafe_in_command(text)) {
            set_last_error(error_for_failure(Failure::UnsafeArgument));
            return true;
        }
    return false;
}

bool FtpConnection::read_reply(FtpReply& reply, Deadline deadline) {
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
                m_reply_text = reply.text;
                set_last_response(reply.text);
                return true;
            }
        }
        char chunk[4096];
        auto got = receive_some(m_control, chunk, sizeof chunk, deadline);
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
        if (unsafe_in_command(line)) {
            set_last_error(error_for_failure(Failure::UnsafeArgument));
            return false;
        }
        line += "\r\n";
        if (auto sent = send_all(m_control, line.data(), line.size()); !sent)
            return fail(sent.error().failure, sent.error().err);
    }
    // The whole answer, preliminary replies included, within one timeout: a server that
    // repeats "120" or drips a long reply cannot hold the caller.
    const Deadline deadline = std::chrono::steady_clock::now() + m_reply_limit;
    for (;;) {
        FtpReply reply;
        if (!read_reply(reply, deadline))
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
    if (m_passive) {
        auto data = open_passive();
        if (!data || !exchange(command, argument))
            return std::nullopt;
        return data;
    }
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

std::optional<Socket> FtpConnection::open_passive() {
    const bool extended = is_ipv6(m_control);
    if (!exchange(extended ? FtpCommand::Epsv : FtpCommand::Pasv))
        return std::nullopt;
    auto data = connect_beside(m_control, passive_port(m_reply_text, extended));
    if (!data) {
        set_last_error(error_for_failure(data.error().failure));
        return std::nullopt;
    }
    return std::move(data.value());
}

template <typename Sink> bool FtpConnection::receive_all(Socket& data, Sink&& sink) {
    ProgressWindow progress;
    for (;;) {
        auto got = receive_some(data, buffer(), kBufferSize);
        if (!got) {
            if (got.error().failure == Failure::ConnectionClosed)
                return true;
            return fail(got.error().failure, got.error().err);
        }
        if (!progress.add(got.value()))
            return fail(Failure::TimedOut);
        if (!sink(buffer(), got.value()))
            return false;
    }
}

bool FtpConnection::finish_transfer(Socket& data) {
    data.close();
    return exchange(FtpCommand::TransferDone);
}

bool FtpConnection::set_current_directory(const std::string& directory) {
    set_last_error(code::Success);
    if (refuse_unsafe({directory}))
        return false;
    return exchange(FtpCommand::Cwd, directory);
}

std::unique_ptr<FtpFind> FtpConnection::find_first(const std::string& filter,
                                                   std::string& first_name) {
    set_last_error(code::Success);
    if (refuse_unsafe({filter}))
        return nullptr;
    auto slash = filter.rfind('/');
    std::string folder = slash == std::string::npos ? "" : filter.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? filter : filter.substr(slash + 1);
    auto data = open_transfer(FtpCommand::Nlst, folder, std::nullopt);
    if (!data)
        return nullptr;
    // Room for some forty thousand names up front: untouched room is address space only, and
    // a long listing is not copied each time it doubles.
    std::string listing;
    listing.reserve(kListingRoom);
    const bool received = receive_all(*data, [&](const char* bytes, std::size_t got) {
        if (listing.size() + got > kMaxListing)
            return fail(Failure::InvalidReply);
        listing.append(bytes, got);
        return true;
    });
    if (!received || !finish_transfer(*data))
        return nullptr;
    auto find = std::make_unique<FtpFind>(std::move(listing), std::move(pattern));
    if (!find->next(first_name))
        return nullptr;
    return find;
}

bool FtpConnection::get_file(const std::string& remote, const std::string& local,
                             TransferType type) {
    set_last_error(code::Success);
    if (refuse_unsafe({remote}))
        return false;
    auto file = sys::OutputFile::create(local, sys::OutputFile::Placement::Beside);
    if (!file)
        return fail_errno(file.error().err);
    auto data = open_transfer(FtpCommand::Retr, remote, type);
    if (!data)
        return false;
    int write_error = 0;
    const bool received = receive_all(*data, [&](const char* bytes, std::size_t got) {
        auto written = file.value().write(bytes, got);
        if (!written)
            write_error = written.error().err;
        return written.ok();
    });
    if (write_error != 0) {
        finish_transfer(*data);
        return fail_errno(write_error);
    }
    if (!received || !finish_transfer(*data))
        return false;
    if (auto committed = file.value().commit(); !committed)
        return fail_errno(committed.error().err);
    return true;
}

bool FtpConnection::put_file(const std::string& local, const std::string& remote,
                             TransferType type) {
    set_last_error(code::Success);
    if (refuse_unsafe({remote}))
        return false;
    auto file = sys::InputFile::open(local);
    if (!file) {
        int err = file.error().err;
        set_last_error(err == ENOENT ? code::FileNotFound : error_for_errno(err));
        return false;
    }
    auto data = open_transfer(FtpCommand::Stor, remote, type);
    if (!data)
        return false;
    const std::uint64_t size = file.value().size();
    auto sent = send_file(*data, file.value().native_handle(), size);
    if (!sent) {
        const SocketError& error = sent.error();
        if (error.failure == Failure::TimedOut || error.failure == Failure::Cancelled ||
            error.err == EIO) {
            data->reset();
            return fail(error.failure, error.err);
        }
        // The server dropped the data connection: its reply says why (552, 426, ...).
        if (finish_transfer(*data))
            set_last_error(error_for_failure(error.failure));
        return false;
    }
    if (sent.value() != size) {
        // The file shrank while it was sent; the server's reply is kept when it gives one.
        data->reset();
        if (finish_transfer(*data))
            return fail_errno(EIO);
        return false;
    }
    return finish_transfer(*data);
}

bool FtpConnection::rename_file(const std::string& from, const std::string& to) {
    set_last_error(code::Success);
    if (refuse_unsafe({from, to}))
        return false;
    return exchange(FtpCommand::Rnfr, from) && exchange(FtpCommand::Rnto, to);
}

bool FtpConnection::delete_file(const std::string& name) {
    set_last_error(code::Success);
    if (refuse_unsafe({name}))
        return false;
    return exchange(FtpCommand::Dele, name);
}

} // namespace kvr::ftpnet
