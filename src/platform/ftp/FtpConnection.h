// One FTP control connection, logged in, in active mode (passive with KVRUPLOAD_FTP_PASSIVE=1):
// what the FTP class calls where the legacy library's FTP functions stood. Every call is
// synchronous; a call that fails leaves its reason as the thread's last error (FtpErrors.h) and,
// when the server refused, the server's reply as the last response. Texts are UTF-8 here and go to
// the server in the locale's codeset. File bytes travel unchanged in both transfer types: the type
// only tells the server (TYPE A or TYPE I). A text with CR, LF or NUL never reaches the server: the
// call fails first with last error 87. Every wait is bounded: a reply must be complete within the
// timeout (FtpSocket.h) and data must keep the least progress (ProgressWindow.h).
#pragma once

#include "platform/ftp/FtpFind.h"
#include "platform/ftp/FtpProtocol.h"
#include "platform/ftp/FtpReply.h"
#include "platform/ftp/FtpSocket.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kvr::ftpnet {

class FtpSession;

enum class TransferType { Ascii = 1, Binary = 2 };

class FtpConnection {
  public:
    // Connects to the host text ("host", "host:port", "[v6]:port"; port 21 by default) and
    // logs in; nothing on failure. A user that is not given logs in as "anonymous".
    static std::unique_ptr<FtpConnection> connect(FtpSession& session, const std::string& host_text,
                                                  const std::optional<std::string>& user,
                                                  const std::optional<std::string>& password);
    ~FtpConnection(); // says QUIT and closes
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    bool set_current_directory(const std::string& directory);
    // Lists the directory part of `filter` (the current one when it has none) and keeps the
    // names that match its last part; nothing with last error 18 when no name matches.
    std::unique_ptr<FtpFind> find_first(const std::string& filter, std::string& first_name);
    // Writes the remote file to `local` (replacing it) only once the whole file has arrived:
    // a refused or broken transfer leaves an existing local file as it was.
    bool get_file(const std::string& remote, const std::string& local, TransferType type);
    bool put_file(const std::string& local, const std::string& remote, TransferType type);
    bool rename_file(const std::string& from, const std::string& to);
    bool delete_file(const std::string& name);

    SessionState state() const { return m_state; }

    static constexpr std::size_t kBufferSize = 256 * 1024;
    static constexpr std::size_t kMaxListing = 64 * 1024 * 1024;
    static constexpr std::size_t kListingRoom = 512 * 1024;

  private:
    explicit FtpConnection(Socket control);

    bool fail(Failure failure, int err = 0);
    bool fail_errno(int err);
    // True (last error 87) when a text holds a CR, LF or NUL.
    static bool refuse_unsafe(std::initializer_list<std::string_view> texts);
    bool read_reply(FtpReply& reply, Deadline deadline);
    // Sends the command (none for the greeting and a transfer's completion) and reads its
    // reply; true when the reply is one the command's rule accepts.
    bool exchange(FtpCommand command, const std::string& argument = {});
    // TYPE, the listener, PORT/EPRT and the command: the open data connection, or nothing.
    // In passive mode PASV/EPSV, the connection, then the command.
    std::optional<Socket> open_transfer(FtpCommand command, const std::string& argument,
                                        std::optional<TransferType> type);
    // Closes the data connection and reads the transfer's completion reply.
    bool finish_transfer(Socket& data);
    std::optional<Socket> open_passive();
    // Reads the data connection to its end into `sink`; false (last error set) on a failure.
    template <typename Sink> bool receive_all(Socket& data, Sink&& sink);
    char* buffer();

    Socket m_control;
    SessionState m_state = SessionState::Greeting;
    FtpReplyParser m_parser;
    std::string m_pending;    // bytes read past the end of the last reply
    std::string m_reply_text; // the last complete reply
    bool m_passive = false;
    std::chrono::milliseconds m_reply_limit = io_timeout();
    std::unique_ptr<char[]> m_buffer;
};

} // namespace kvr::ftpnet
