// The Internet Transfer control: one HTTP/HTTPS request at a time, started by Execute and
// driven by polling StillExecuting on the caller's thread; the body is handed out in order by
// GetChunk from a small bounded buffer. Errors of the transfer itself are reported through
// ResponseCode/ResponseInfo with the Internet library's codes; a refused call raises ComError.
#pragma once

#include "platform/automation/Variant.h"
#include "platform/sys/InputFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kvr::inet {

// ProtocolConstants
constexpr int icUnknown = 0;
constexpr int icDefault = 1;
constexpr int icFTP = 2;
constexpr int icHTTP = 4;
constexpr int icHTTPS = 5;
// AccessConstants
constexpr int icUseDefault = 0;
constexpr int icDirect = 1;
constexpr int icNamedProxy = 2;
// DataTypeConstants
constexpr int icString = 0;
constexpr int icByteArray = 1;

struct RequestUrl;

class Inet {
  public:
    Inet();
    ~Inet();
    Inet(const Inet&) = delete;
    Inet& operator=(const Inet&) = delete;

    // Settable properties.
    int Protocol() const;
    void set_Protocol(int protocol);
    int AccessType() const;
    void set_AccessType(int access);
    std::string Proxy() const;
    void set_Proxy(const std::string& proxy);
    std::int16_t RemotePort() const;
    void set_RemotePort(std::int16_t port);
    std::string URL() const;
    void set_URL(const std::string& url);
    std::string UserName() const;
    void set_UserName(const std::string& user);
    std::string Password() const;
    void set_Password(const std::string& password);

    // Starts a request and returns at once. An empty `url` means the URL property.
    // `operation` is "GET" or "PUT" (case-insensitive); `data` is the PUT body, sent as is.
    // A URL or operation that cannot be used raises ComError; a failure of the transfer
    // itself is reported by ResponseCode.
    void Execute(const std::string& url, const std::string& operation, std::string data = {});
    // The same request with the PUT body read from a file as it is sent: a file that cannot
    // be read later, or that shrank, aborts the request.
    void Execute(const std::string& url, const std::string& operation,
                 std::shared_ptr<const sys::InputFile> body);

    // Drives the transfer; true until the final response's headers are in (or it failed).
    // May wait on the sockets for a few milliseconds so that an idle poll costs no CPU.
    bool StillExecuting();

    // 0 and "" when the transfer had no error; otherwise the Internet library's code
    // (12029 could not connect, 12007 name not resolved, 12002 timed out, ...) and its text.
    // A GET body that broke off after the final headers reads 0 until GetChunk has handed
    // out what came before the break and raised it, whether the break came with the headers
    // or later.
    std::int32_t ResponseCode() const;
    std::string ResponseInfo() const;

    // The final response's header lines, status line first, separated by CR LF.
    std::string GetHeader() const;

    // The next part of the body, at most `size` bytes; empty at the end of the body.
    // A body that broke off raises ComError rather than looking like a clean end.
    ByteArray GetChunk(int size, int data_type = icByteArray);

    // Abandons the running request, if any.
    void Cancel();

    // Bytes of the request body sent so far (progress of an upload).
    std::int64_t BytesSent() const;

    // The bound of the body buffer, and the most body bytes it held at once during the last
    // request: the memory a download takes does not grow with the body.
    static constexpr std::size_t kBodyBufferCapacity = 256 * 1024;
    std::size_t buffered_peak() const;

  private:
    void start_request(const std::string& url, const std::string& operation, std::string data,
                       std::shared_ptr<const sys::InputFile> body);
    // Each platform's engine: the settings it holds and how it starts a checked request.
    struct Settings;
    Settings& settings() const;
    void start_transfer(const RequestUrl& target, bool put, std::string data,
                        std::shared_ptr<const sys::InputFile> body);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace kvr::inet
