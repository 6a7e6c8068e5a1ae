#include "platform/inet/Inet.h"

#include "platform/automation/ComError.h"
#include "platform/inet/BodyBuffer.h"
#include "platform/inet/InetErrors.h"
#include "platform/inet/InetSettings.h"
#include "platform/inet/RequestUrl.h"
#include "platform/sys/Cancel.h"
#include "platform/sys/WideText.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace kvr::inet {

namespace {

constexpr const char* kSource = "Inet";
// The Internet library is slow with small reads: the body is read in large blocks into the
// bounded buffer, and GetChunk hands it out from there.
constexpr DWORD kReadBlock = 64 * 1024;
constexpr DWORD kWriteBlock = 64 * 1024;
constexpr long kDefaultConnectTimeout = 30;
constexpr long kDefaultLowSpeedTime = 60;
constexpr int kPollMs = 5;

void close_handle(HINTERNET& h) {
    if (h)
        InternetCloseHandle(h);
    h = nullptr;
}

enum class Phase { Idle, Sending, HeadersIn, Failed };

} // namespace

struct Inet::Impl : Inet::Settings {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<Phase> phase{Phase::Idle}; // the worker moves it on, under mutex
    InetError error;
    std::string headers;
    bool body_ended = false;
    BodyBuffer body{kBodyBufferCapacity};
    std::unique_ptr<char[]> block;
    std::atomic<std::int64_t> sent{0};

    std::string upload;
    std::shared_ptr<const sys::InputFile> upload_file;

    ~Impl() { release(); }

    void release() {
        // Closing the handles ends a call the worker is blocked in.
        close_handle(request);
        close_handle(connection);
        close_handle(session);
        if (worker.joinable())
            worker.join();
        phase = Phase::Idle;
        error = {};
        headers.clear();
        body_ended = false;
        body.clear();
        sent = 0;
        upload.clear();
        upload_file.reset();
    }

    void fail(DWORD code) {
        std::lock_guard lock(mutex);
        error = inet_error_from_native(code ? code : ERROR_INTERNET_INTERNAL_ERROR);
        phase = Phase::Failed;
        changed.notify_all();
    }

    void open(const RequestUrl& target, bool put) {
        DWORD type = INTERNET_OPEN_TYPE_PRECONFIG;
        std::wstring proxy_name = sys::widen(trim(proxy));
        if (access == icDirect)
            type = INTERNET_OPEN_TYPE_DIRECT;
        else if (!proxy_name.empty())
            type = INTERNET_OPEN_TYPE_PROXY;
        session = InternetOpenW(L"KVRUpload", type,
                                type == INTERNET_OPEN_TYPE_PROXY ? proxy_name.c_str() : nullptr,
                                nullptr, 0);
        if (!session)
            throw ComError(icErrInitFailed, kSource, inet_refusal_text(icErrInitFailed));
        DWORD connect_ms = static_cast<DWORD>(
            number_from_env("KVR_INET_CONNECT_TIMEOUT", kDefaultConnectTimeout) * 1000);
        DWORD idle_ms = static_cast<DWORD>(
            number_from_env("KVR_INET_LOW_SPEED_TIME", kDefaultLowSpeedTime) * 1000);
        InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect_ms,
                           sizeof connect_ms);
        InternetSetOptionW(session, INTERNET_OPTION_SEND_TIMEOUT, &idle_ms, sizeof idle_ms);
        InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &idle_ms, sizeof idle_ms);

        std::wstring wide_url = sys::widen(target.url);
        URL_COMPONENTSW parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = 1;
        parts.dwUrlPathLength = 1;
        parts.dwExtraInfoLength = 1;
        if (!InternetCrackUrlW(wide_url.c_str(), 0, 0, &parts))
            throw ComError(icErrBadUrl, "Inet::Execute", inet_refusal_text(icErrBadUrl));
        std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
        if (path.empty())
            path = L"/";
        std::wstring wide_user = sys::widen(user);
        std::wstring wide_password = sys::widen(password);
        connection = InternetConnectW(
            session, host.c_str(), parts.nPort, user.empty() ? nullptr : wide_user.c_str(),
            user.empty() ? nullptr : wide_password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
        if (target.https)
            flags |= INTERNET_FLAG_SECURE;
        if (connection)
            request = HttpOpenRequestW(connection, put ? L"PUT" : L"GET", path.c_str(), L"HTTP/1.1",
                                       nullptr, nullptr, flags, 0);
        if (!request)
            throw ComError(icErrInitFailed, kSource, inet_refusal_text(icErrInitFailed));
    }

    std::uint64_t upload_size() const { return upload_file ? upload_file->size() : upload.size(); }

    // The worker: sends the request (and its body) and waits for the final response's headers.
    void send(bool put) {
        BOOL ok = FALSE;
        if (!put) {
            ok = HttpSendRequestW(request, nullptr, 0, nullptr, 0);
        } else {
            INTERNET_BUFFERSW buffers{};
            buffers.dwStructSize = sizeof buffers;
            buffers.dwBufferTotal = static_cast<DWORD>(upload_size());
            ok = HttpSendRequestExW(request, &buffers, nullptr, 0, 0) && write_body() &&
                 HttpEndRequestW(request, nullptr, 0, 0);
        }
        if (!ok)
            return fail(GetLastError());
        std::string text = query_headers();
        std::lock_guard lock(mutex);
        headers = std::move(text);
        phase = Phase::HeadersIn;
        changed.notify_all();
    }

    bool write_body() {
        std::unique_ptr<char[]> buffer(new char[kWriteBlock]);
        const std::uint64_t total = upload_size();
        std::uint64_t pos = 0;
        while (pos < total) {
            DWORD n = static_cast<DWORD>(std::min<std::uint64_t>(kWriteBlock, total - pos));
            if (upload_file) {
                auto got = upload_file->read_at(pos, buffer.get(), n);
                // A file that fails or shrinks while it is sent never ends as a short body.
                if (!got || got.value() == 0) {
                    SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
                    return false;
                }
                n = static_cast<DWORD>(got.value());
            } else {
                std::memcpy(buffer.get(), upload.data() + pos, n);
            }
            DWORD written = 0;
            if (!InternetWriteFile(request, buffer.get(), n, &written) || written == 0)
                return false;
            pos += written;
            sent = static_cast<std::int64_t>(pos);
        }
        return true;
    }

    std::string query_headers() {
        DWORD size = 0;
        HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, text.data(), &size, nullptr))
            return {};
        text.resize(size / sizeof(wchar_t));
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
            text.pop_back();
        return sys::narrow(text);
    }

    void start(const RequestUrl& target, bool put, std::string data,
               std::shared_ptr<const sys::InputFile> file) {
        release();
        upload = put ? std::move(data) : std::string();
        upload_file = put ? std::move(file) : nullptr;
        try {
            open(target, put);
        } catch (...) {
            release();
            throw;
        }
        phase = Phase::Sending;
        worker = std::thread([this, put] { send(put); });
    }

    // A host that asked to stop ends the request as an abandoned one (12017).
    bool stop_if_asked() {
        if (phase == Phase::Idle || !sys::cancel_requested())
            return false;
        close_handle(request);
        close_handle(connection);
        close_handle(session);
        if (worker.joinable())
            worker.join();
        error = inet_error_from_native(ERROR_INTERNET_OPERATION_CANCELLED);
        phase = Phase::Failed;
        body_ended = true;
        return true;
    }

    bool settled() {
        if (stop_if_asked())
            return true;
        std::unique_lock lock(mutex);
        if (phase == Phase::Sending)
            changed.wait_for(lock, std::chrono::milliseconds(kPollMs));
        if (phase == Phase::Sending)
            return false;
        lock.unlock();
        if (worker.joinable())
            worker.join();
        return true;
    }

    // Fills the buffer with the next block of the body; false at its end or on a failure.
    bool read_block() {
        if (!block)
            block.reset(new char[kReadBlock]);
        DWORD got = 0;
        if (!InternetReadFile(request, block.get(), kReadBlock, &got)) {
            DWORD code = GetLastError();
            error = inet_error_from_native(
                code == ERROR_INTERNET_TIMEOUT ? code : ERROR_INTERNET_CONNECTION_RESET);
            body_ended = true;
            return false;
        }
        if (got == 0) {
            body_ended = true;
            return false;
        }
        body.put(block.get(), got);
        return true;
    }
};

Inet::Inet() : m_impl(std::make_unique<Impl>()) {}
Inet::~Inet() = default;

Inet::Settings& Inet::settings() const {
    return *m_impl;
}

void Inet::start_transfer(const RequestUrl& target, bool put, std::string data,
                          std::shared_ptr<const sys::InputFile> body) {
    m_impl->start(target, put, std::move(data), std::move(body));
}

bool Inet::StillExecuting() {
    if (m_impl->phase == Phase::Idle)
        return false;
    return !m_impl->settled();
}

std::int32_t Inet::ResponseCode() const {
    return m_impl->worker.joinable() ? 0 : m_impl->error.code;
}

std::string Inet::ResponseInfo() const {
    return m_impl->worker.joinable() ? std::string() : m_impl->error.text;
}

std::string Inet::GetHeader() const {
    return m_impl->worker.joinable() ? std::string() : m_impl->headers;
}

ByteArray Inet::GetChunk(int size, int /*data_type*/) {
    if (size < 0)
        raise_runtime(rt::InvalidProcedureCall, kSource);
    Impl& d = *m_impl;
    if (size == 0 || d.phase == Phase::Idle)
        return {};
    while (!d.settled()) {
    }
    if (d.phase == Phase::HeadersIn && d.body.empty() && !d.body_ended && !d.stop_if_asked())
        d.read_block();
    if (!d.body.empty())
        return d.body.take(static_cast<std::size_t>(size));
    if (d.error.code != 0)
        throw ComError(d.error.code, kSource, d.error.text);
    return {};
}

void Inet::Cancel() {
    m_impl->release();
}

std::int64_t Inet::BytesSent() const {
    return m_impl->sent;
}

std::size_t Inet::buffered_peak() const {
    return m_impl->body.peak();
}

} // namespace kvr::inet
