#include "platform/inet/InetErrors.h"

#include <curl/curl.h>

namespace kvr::inet {

namespace {

const char* text_of(std::int32_t code) {
    switch (code) {
    case ERROR_INTERNET_TIMEOUT:
        return "O tempo limite da operação expirou";
    case ERROR_INTERNET_INTERNAL_ERROR:
        return "Ocorreu um erro interno";
    case ERROR_INTERNET_INVALID_URL:
        return "A URL não é válida";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return "Não foi possível resolver o nome ou o endereço do servidor";
    case ERROR_INTERNET_LOGIN_FAILURE:
        return "Falha no logon";
    case ERROR_INTERNET_OPERATION_CANCELLED:
        return "A operação foi cancelada";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return "Não foi possível estabelecer conexão com o servidor";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return "A conexão com o servidor foi encerrada de forma anormal";
    case ERROR_INTERNET_CONNECTION_RESET:
        return "A conexão com o servidor foi redefinida";
    case ERROR_INTERNET_INVALID_CA:
        return "A autoridade de certificação é inválida ou está incorreta";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        return "O servidor retornou uma resposta inválida ou não reconhecida";
    case ERROR_HTTP_REDIRECT_FAILED:
        return "Falha no redirecionamento";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        return "Ocorreu um erro no canal seguro";
    case ERROR_INTERNET_SECURE_FAILURE:
        return "Falha de segurança na conexão segura";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Memória insuficiente para concluir esta operação";
    }
    return "Ocorreu um erro interno";
}

// The one translation from the HTTP engine's codes; anything not listed is an internal error.
std::int32_t code_of(int curl_code) {
    switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_OK:
        return 0;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_READ_ERROR:
    case CURLE_SEND_FAIL_REWIND:
    case CURLE_PROXY:
    case CURLE_UNRECOVERABLE_POLL:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_RECV_ERROR:
        return ERROR_INTERNET_CONNECTION_RESET;
    // Execute only lets http and https through, so an unsupported protocol at transfer time
    // is an answer that is not HTTP/1.x (or a redirection to another scheme).
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_WRITE_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
        return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_LOGIN_DENIED:
        return ERROR_INTERNET_LOGIN_FAILURE;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_PEER_FAILED_VERIFICATION:
        return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return ERROR_INTERNET_SECURE_FAILURE;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

} // namespace

InetError inet_error_from_curl(int curl_code) {
    std::int32_t code = code_of(curl_code);
    if (code == 0)
        return {};
    return {code, text_of(code)};
}

std::string inet_refusal_text(std::int32_t number) {
    switch (number) {
    case icErrInitFailed:
        return "Não foi possível iniciar a transferência";
    case icErrBadUrl:
        return "A URL está mal formada";
    case icErrProtocolNotSupported:
        return "Protocolo não suportado por este método";
    case icErrBadOperation:
        return "Operação não suportada";
    }
    return "Erro desconhecido";
}

} // namespace kvr::inet
