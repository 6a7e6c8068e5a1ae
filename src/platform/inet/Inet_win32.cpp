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

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace kvr::inet {

namespace {

constexpr const char* kSource = "Inet";
// The Internet library is slow with small reads: the body is read in blocks of up to this
// size (as much as has arrived) into the bounded buffer, and GetChunk hands it out from there.
constexpr DWORD kReadBlock = 64 * 1024;
constexpr DWORD kWriteBlock = 64 * 1024;
constexpr long kDefaultConnectTimeout = 30;
constexpr long kDefaultLowSpeedTime = 60;
constexpr int kPollMs = 5;
// As much as the library holds ready at once (Wine's read buffer): with that much waiting the
// body flows, and the large block arrives without delay.
constexpr DWORD kPlentiful = 8 * 1024;
// How long GetChunk waits per turn for the body before it asks the host whether to stop.
constexpr auto kChunkWait = std::chrono::milliseconds(100);

void close_handle(HINTERNET& h) {
    if (h)
        InternetCloseHandle(h);
    h = nullptr;
}

enum class Phase { Idle, Sending, HeadersIn, Failed };

} // namespace

// The Internet library's calls block: a worker thread makes them (sending, then receiving the
// body into the bounded buffer) while the caller's thread waits in short turns, so a host's
// stop ends even a stalled transfer at once. Closing the handles ends a call the worker is
// blocked in.
struct Inet::Impl : Inet::Settings {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<Phase> phase{Phase::Idle}; // the worker moves it on, under mutex
    InetError error;                       // the request's, known with the headers
    std::string headers;
    // Guarded by mutex while the worker runs.
    BodyBuffer body{kBodyBufferCapacity};
    bool body_ended = false;
    InetError body_error; // a break in the body, told by GetChunk after the bytes before it
    bool stopping = false;
    bool worker_waits_for_room = false;
    bool caller_waits_for_body = false;
    // The caller's side: bytes already moved out of the buffer, handed out from `taken` on.
    ByteArray ready;
    std::size_t taken = 0;
    std::atomic<std::int64_t> sent{0};

    std::string upload;
    std::shared_ptr<const sys::InputFile> upload_file;

    ~Impl() { release(); }

    void stop_worker() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            changed.notify_all();
        }
        close_handle(request);
        close_handle(connection);
        close_handle(session);
        if (worker.joinable())
            worker.join();
    }

    void release() {
        stop_worker();
        phase = Phase::Idle;
        error = {};
        headers.clear();
        body.clear();
        body_ended = false;
        body_error = {};
        stopping = false;
        worker_waits_for_room = false;
        ready.clear();
        taken = 0;
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

    // The worker: sends the request (and its body), waits for the final response's headers,
    // then receives the body. It works on its own copy of the request handle.
    void run(HINTERNET h, bool put) {
        BOOL ok = FALSE;
        if (!put) {
            ok = HttpSendRequestW(h, nullptr, 0, nullptr, 0);
        } else {
            INTERNET_BUFFERSW buffers{};
            buffers.dwStructSize = sizeof buffers;
            buffers.dwBufferTotal = static_cast<DWORD>(upload_size());
            ok = HttpSendRequestExW(h, &buffers, nullptr, 0, 0) && write_body(h) &&
                 HttpEndRequestW(h, nullptr, 0, 0);
        }
        if (!ok)
            return fail(GetLastError());
        std::string text = query_headers(h);
        {
            std::lock_guard lock(mutex);
            headers = std::move(text);
            phase = Phase::HeadersIn;
            changed.notify_all();
        }
        receive(h);
    }

    bool write_body(HINTERNET h) {
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
            if (!InternetWriteFile(h, buffer.get(), n, &written) || written == 0)
                return false;
            pos += written;
            sent = static_cast<std::int64_t>(pos);
        }
        return true;
    }

    static std::string query_headers(HINTERNET h) {
        DWORD size = 0;
        HttpQueryInfoW(h, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        if (!HttpQueryInfoW(h, HTTP_QUERY_RAW_HEADERS_CRLF, text.data(), &size, nullptr))
            return {};
        text.resize(size / sizeof(wchar_t));
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
            text.pop_back();
        return sys::narrow(text);
    }

    static DWORD read_size(DWORD available) {
        return available >= kPlentiful ? kReadBlock : std::max<DWORD>(available, 1);
    }

    // Reads what has arrived (a large block when much has), so a slow body is handed out as
    // it comes rather than a block at a time.
    void receive(HINTERNET h) {
        std::unique_ptr<char[]> block(new char[kReadBlock]);
        for (;;) {
            DWORD available = 0;
            DWORD got = 0;
            bool ok = InternetQueryDataAvailable(h, &available, 0, 0) &&
                      InternetReadFile(h, block.get(), read_size(available), &got);
            const DWORD code = ok ? 0 : GetLastError();
            std::unique_lock lock(mutex);
            worker_waits_for_room = true;
            changed.wait(lock, [&] { return stopping || body.put(block.get(), got); });
            worker_waits_for_room = false;
            if (stopping)
                return;
            if (!ok)
                body_error = inet_error_from_native(
                    code == ERROR_INTERNET_TIMEOUT ? code : ERROR_INTERNET_CONNECTION_RESET);
            body_ended = !ok || got == 0;
            if (caller_waits_for_body)
                changed.notify_all();
            if (body_ended)
                return;
        }
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
        worker = std::thread([this, h = request, put] { run(h, put); });
    }

    // A host that asked to stop ends the request as an abandoned one (12017).
    bool stop_if_asked() {
        if (phase == Phase::Idle || !sys::cancel_requested())
            return false;
        stop_worker();
        error = inet_error_from_native(ERROR_INTERNET_OPERATION_CANCELLED);
        body_error = error;
        phase = Phase::Failed;
        body.clear();
        ready.clear();
        taken = 0;
        body_ended = true;
        return true;
    }

    bool settled() {
        if (stop_if_asked())
            return true;
        if (phase != Phase::Sending)
            return true;
        std::unique_lock lock(mutex);
        if (phase == Phase::Sending)
            changed.wait_for(lock, std::chrono::milliseconds(kPollMs));
        return phase != Phase::Sending;
    }

    // Waits for a piece of the body, its end or the host's stop.
    void wait_for_body() {
        if (taken < ready.size())
            return;
        std::unique_lock lock(mutex);
        while (body.empty() && !body_ended) {
            lock.unlock();
            if (stop_if_asked())
                return;
            lock.lock();
            caller_waits_for_body = true;
            changed.wait_for(lock, kChunkWait);
            caller_waits_for_body = false;
        }
    }

    // Hands out the body from what was moved out of the shared buffer at once: one lock per
    // large piece rather than per chunk keeps the two threads from stalling each other.
    ByteArray take(std::size_t size) {
        if (taken == ready.size()) {
            std::lock_guard lock(mutex);
            ready = body.take(body.size());
            taken = 0;
            if (worker_waits_for_room)
                changed.notify_all();
        }
        const std::size_t n = std::min(size, ready.size() - taken);
        ByteArray out(ready.begin() + static_cast<std::ptrdiff_t>(taken),
                      ready.begin() + static_cast<std::ptrdiff_t>(taken + n));
        taken += n;
        return out;
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
    return m_impl->phase == Phase::Sending ? 0 : m_impl->error.code;
}

std::string Inet::ResponseInfo() const {
    return m_impl->phase == Phase::Sending ? std::string() : m_impl->error.text;
}

std::string Inet::GetHeader() const {
    return m_impl->phase == Phase::Sending ? std::string() : m_impl->headers;
}

ByteArray Inet::GetChunk(int size, int /*data_type*/) {
    if (size < 0)
        raise_runtime(rt::InvalidProcedureCall, kSource);
    Impl& d = *m_impl;
    if (size == 0 || d.phase == Phase::Idle)
        return {};
    while (!d.settled()) {
    }
    if (d.phase != Phase::Failed)
        d.wait_for_body();
    ByteArray out = d.take(static_cast<std::size_t>(size));
    if (!out.empty())
        return out;
    const InetError& broke = d.phase == Phase::Failed ? d.error : d.body_error;
    if (broke.code != 0)
        throw ComError(broke.code, kSource, broke.text);
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
