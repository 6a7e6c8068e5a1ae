#include "platform/inet/InetErrors.h"

#include <curl/curl.h>

namespace kvr::inet {

namespace {

// The one translation from the HTTP engine's codes; anything not listed is an internal error.
std::int32_t code_of(int curl_code) {
    switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_OK:
        return 0;
    case CURLE_URL_MALFORMAT:
        return code::InvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return code::NameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return code::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return code::Timeout;
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_READ_ERROR:
    case CURLE_SEND_FAIL_REWIND:
    case CURLE_PROXY:
    case CURLE_UNRECOVERABLE_POLL:
        return code::ConnectionAborted;
    case CURLE_RECV_ERROR:
        return code::ConnectionReset;
    // Execute only lets http and https through, so an unsupported protocol at transfer time
    // is an answer that is not HTTP/1.x (or a redirection to another scheme).
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
        return code::InvalidServerResponse;
    case CURLE_TOO_MANY_REDIRECTS:
        return code::RedirectFailed;
    case CURLE_WRITE_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
        return code::OperationCancelled;
    case CURLE_LOGIN_DENIED:
        return code::LoginFailure;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return code::SecurityChannelError;
    case CURLE_PEER_FAILED_VERIFICATION:
        return code::InvalidCa;
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return code::SecureFailure;
    case CURLE_OUT_OF_MEMORY:
        return code::NotEnoughMemory;
    default:
        return code::InternalError;
    }
}

} // namespace

InetError inet_error(std::int32_t code) {
    return {code, inet_error_text(code)};
}

InetError inet_error_from_curl(int curl_code) {
    std::int32_t code = code_of(curl_code);
    if (code == 0)
        return {};
    return {code, inet_error_text(code)};
}

} // namespace kvr::inet
