#include "platform/inet/Inet.h"

#include "platform/automation/ComError.h"
#include "platform/inet/BodyBuffer.h"
#include "platform/inet/CurlLibrary.h"
#include "platform/inet/InetErrors.h"
#include "platform/inet/InetSettings.h"
#include "platform/inet/RequestUrl.h"
#include "platform/inet/ResponseHeaders.h"
#include "platform/sys/Cancel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kvr::inet {

namespace {

constexpr const char* kSource = "Inet";
// How long one idle turn of StillExecuting may wait on the sockets.
constexpr int kPollMs = 5;
// How long GetChunk waits per turn while it has nothing to hand out (it is woken by data).
constexpr int kChunkWaitMs = 100;
constexpr long kReceiveBufferSize = 64 * 1024;
constexpr long kSendBufferSize = 256 * 1024;
constexpr long kDefaultConnectTimeout = 30;
constexpr long kDefaultLowSpeedTime = 60;
constexpr long kDefaultLowSpeedLimit = 100;

} // namespace

struct Inet::Impl : Inet::Settings {
    // The request.
    const CurlLibrary* lib = curl_library();
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    bool attached = false; // easy is in the multi handle, the transfer runs
    bool done = false;
    CURLcode result = CURLE_OK;
    bool paused = false;
    bool secure = false; // the request's scheme is https
    bool put = false;
    // A GET whose body broke off after the final headers: the break is told by GetChunk once
    // the bytes before it are handed out, wherever in the body it came.
    bool body_break = false;
    bool body_break_told = false;
    BodyBuffer body{kBodyBufferCapacity};
    ResponseHeaders headers;
    std::string upload;                                // a body given as text
    std::shared_ptr<const sys::InputFile> upload_file; // or one read from a file as it goes
    std::uint64_t upload_pos = 0;
    std::uint64_t upload_size() const { return upload_file ? upload_file->size() : upload.size(); }
    InetError error;

    Impl() : multi(lib ? lib->multi_init() : nullptr) {}
    ~Impl() {
        release();
        if (multi)
            lib->multi_cleanup(multi);
    }

    template <class Value> void set(CURLoption option, Value value) {
        lib->easy_setopt(easy, option, value);
    }

    void release() {
        if (easy) {
            if (attached)
                lib->multi_remove_handle(multi, easy);
            lib->easy_cleanup(easy);
        }
        easy = nullptr;
        attached = false;
        done = false;
        result = CURLE_OK;
        paused = false;
        body.clear();
        headers.clear();
        upload.clear();
        upload_file.reset();
        upload_pos = 0;
        error = {};
        put = false;
        body_break = false;
        body_break_told = false;
    }

    static size_t on_header(char* data, size_t size, size_t n, void* self) {
        static_cast<Impl*>(self)->headers.add_line(std::string_view(data, size * n));
        return size * n;
    }

    static size_t on_body(char* data, size_t size, size_t n, void* self) {
        auto* me = static_cast<Impl*>(self);
        me->headers.body_started();
        if (!me->body.put(data, size * n)) {
            // Held back by the engine until GetChunk has made room.
            me->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        return size * n;
    }

    static size_t on_read(char* buffer, size_t size, size_t n, void* self) {
        auto* me = static_cast<Impl*>(self);
        const std::uint64_t left = me->upload_size() - me->upload_pos;
        const size_t count = static_cast<size_t>(std::min<std::uint64_t>(size * n, left));
        if (count == 0)
            return 0;
        if (me->upload_file) {
            // A file that fails or shrinks while it is sent never ends as a short body.
            auto got = me->upload_file->read_at(me->upload_pos, buffer, count);
            if (!got || got.value() == 0)
                return CURL_READFUNC_ABORT;
            me->upload_pos += got.value();
            return got.value();
        }
        std::memcpy(buffer, me->upload.data() + me->upload_pos, count);
        me->upload_pos += count;
        return count;
    }

    // A redirected PUT sends its body again from the start.
    static int on_seek(void* self, curl_off_t offset, int origin) {
        auto* me = static_cast<Impl*>(self);
        if (origin != SEEK_SET || offset < 0 ||
            static_cast<std::uint64_t>(offset) > me->upload_size())
            return CURL_SEEKFUNC_CANTSEEK;
        me->upload_pos = static_cast<std::uint64_t>(offset);
        return CURL_SEEKFUNC_OK;
    }

    void configure(const RequestUrl& target, bool put) {
        set(CURLOPT_URL, target.url.c_str());
        set(CURLOPT_PROTOCOLS_STR, "http,https");
        // A caller who asked for a protected transfer never gets it over plain HTTP.
        secure = target.url.rfind("https:", 0) == 0;
        set(CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
        set(CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_FOLLOWLOCATION, 1L);
        set(CURLOPT_MAXREDIRS, 10L);
        set(CURLOPT_USERAGENT, "KVRUpload");
        set(CURLOPT_BUFFERSIZE, kReceiveBufferSize);
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

        // A server that stops answering, or trickles a few bytes now and then, ends in a
        // timeout, never in an endless wait (a paused body is not counted as slow).
        set(CURLOPT_CONNECTTIMEOUT,
            number_from_env("KVR_INET_CONNECT_TIMEOUT", kDefaultConnectTimeout));
        set(CURLOPT_LOW_SPEED_LIMIT,
            number_from_env("KVR_INET_LOW_SPEED_LIMIT", kDefaultLowSpeedLimit));
        set(CURLOPT_LOW_SPEED_TIME,
            number_from_env("KVR_INET_LOW_SPEED_TIME", kDefaultLowSpeedTime));

        if (access == icDirect)
            set(CURLOPT_PROXY, "");
        else if (!trim(proxy).empty())
            set(CURLOPT_PROXY, trim(proxy).c_str());
        // Otherwise the engine reads the environment's proxy settings itself.

        if (const char* ca = std::getenv("CURL_CA_BUNDLE"); ca && *ca)
            set(CURLOPT_CAINFO, ca);
        set(CURLOPT_SSL_VERIFYPEER, 1L);
        set(CURLOPT_SSL_VERIFYHOST, 2L);

        if (!user.empty()) {
            set(CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
            set(CURLOPT_USERNAME, user.c_str());
            set(CURLOPT_PASSWORD, password.c_str());
        }

        set(CURLOPT_HEADERFUNCTION, &Impl::on_header);
        set(CURLOPT_HEADERDATA, this);
        set(CURLOPT_WRITEFUNCTION, &Impl::on_body);
        set(CURLOPT_WRITEDATA, this);
        if (put) {
            set(CURLOPT_UPLOAD, 1L);
            set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload_size()));
            set(CURLOPT_UPLOAD_BUFFERSIZE, kSendBufferSize);
            set(CURLOPT_READFUNCTION, &Impl::on_read);
            set(CURLOPT_READDATA, this);
            set(CURLOPT_SEEKFUNCTION, &Impl::on_seek);
            set(CURLOPT_SEEKDATA, this);
        }
    }

    void start(const RequestUrl& target, bool put, std::string data,
               std::shared_ptr<const sys::InputFile> file = nullptr) {
        release();
        upload = put ? std::move(data) : std::string();
        upload_file = put ? std::move(file) : nullptr;
        this->put = put;
        easy = multi ? lib->easy_init() : nullptr;
        if (!multi || !easy)
            throw ComError(icErrInitFailed, kSource, inet_refusal_text(icErrInitFailed));
        configure(target, put);
        if (lib->multi_add_handle(multi, easy) != CURLM_OK) {
            release();
            throw ComError(icErrInitFailed, kSource, inet_refusal_text(icErrInitFailed));
        }
        attached = true;
    }

    // One step of the engine: moves what the sockets allow, and notes the end of the
    // transfer. With `wait_ms` > 0 it first waits (woken early by socket activity).
    void drive(int wait_ms) {
        if (!attached)
            return;
        // A host that asked to stop ends the request as an abandoned one (12017).
        if (sys::cancel_requested()) {
            finish(CURLE_ABORTED_BY_CALLBACK);
            return;
        }
        if (wait_ms > 0)
            lib->multi_poll(multi, nullptr, 0, wait_ms, nullptr);
        int running = 0;
        if (lib->multi_perform(multi, &running) != CURLM_OK) {
            finish(CURLE_FAILED_INIT); // the engine itself broke down: never wait on it again
            return;
        }
        int left = 0;
        while (CURLMsg* msg = lib->multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
                finish(msg->data.result);
        }
    }

    void finish(CURLcode code) {
        lib->multi_remove_handle(multi, easy);
        attached = false;
        done = true;
        result = code;
        headers.transfer_ended();
        error = inet_error_from_curl(code);
        long status = 0;
        lib->easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        const bool redirection = status >= 300 && status < 400;
        if (secure && code == CURLE_UNSUPPORTED_PROTOCOL && redirection) {
            error = inet_error(code::HttpsToHttpOnRedirect);
            // The hop's answer is not the response: a caller that judges the status line
            // first would report the redirect and never the refusal.
            headers.clear();
        }
        body_break = code != CURLE_OK && !put && status >= 200 && !redirection;
    }

    bool body_break_pending() const { return body_break && !body_break_told; }

    bool response_known() const { return !easy || done || headers.final(); }

    // Lets the engine deliver again once GetChunk has made room for a full piece.
    void resume_if_room() {
        if (paused && attached && body.size() <= body.capacity() - kReceiveBufferSize) {
            paused = false;
            lib->easy_pause(easy, CURLPAUSE_CONT);
        }
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
    if (m_impl->response_known())
        return false;
    m_impl->drive(0);
    if (m_impl->response_known())
        return false;
    m_impl->drive(kPollMs);
    return !m_impl->response_known();
}

std::int32_t Inet::ResponseCode() const {
    return m_impl->body_break_pending() ? 0 : m_impl->error.code;
}
std::string Inet::ResponseInfo() const {
    return m_impl->body_break_pending() ? std::string() : m_impl->error.text;
}
std::string Inet::GetHeader() const {
    return m_impl->headers.text();
}

ByteArray Inet::GetChunk(int size, int /*data_type*/) {
    if (size < 0)
        raise_runtime(rt::InvalidProcedureCall, kSource);
    Impl& d = *m_impl;
    if (size == 0 || !d.easy)
        return {};
    if (d.body.empty() && !d.done) {
        d.resume_if_room();
        d.drive(0);
        // Bounded by the engine's connect and low-speed limits.
        while (d.body.empty() && !d.done)
            d.drive(kChunkWaitMs);
    }
    if (!d.body.empty()) {
        ByteArray out = d.body.take(static_cast<std::size_t>(size));
        d.resume_if_room();
        return out;
    }
    if (d.result != CURLE_OK) {
        d.body_break_told = true;
        throw ComError(d.error.code, kSource, d.error.text);
    }
    return {};
}

void Inet::Cancel() {
    m_impl->release();
}

std::int64_t Inet::BytesSent() const {
    curl_off_t sent = 0;
    if (m_impl->easy)
        m_impl->lib->easy_getinfo(m_impl->easy, CURLINFO_SIZE_UPLOAD_T, &sent);
    return sent;
}

std::size_t Inet::buffered_peak() const {
    return m_impl->body.peak();
}

} // namespace kvr::inet
