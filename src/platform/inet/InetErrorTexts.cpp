#include "platform/inet/InetErrors.h"

namespace kvr::inet {

std::string inet_error_text(std::int32_t code) {
    switch (code) {
    case code::Timeout:
        return "O tempo limite da operação expirou";
    case code::InternalError:
        return "Ocorreu um erro interno";
    case code::InvalidUrl:
        return "A URL não é válida";
    case code::NameNotResolved:
        return "Não foi possível resolver o nome ou o endereço do servidor";
    case code::LoginFailure:
        return "Falha no logon";
    case code::OperationCancelled:
        return "A operação foi cancelada";
    case code::CannotConnect:
        return "Não foi possível estabelecer conexão com o servidor";
    case code::ConnectionAborted:
        return "A conexão com o servidor foi encerrada de forma anormal";
    case code::ConnectionReset:
        return "A conexão com o servidor foi redefinida";
    case code::HttpsToHttpOnRedirect:
        return "Uma conexão segura foi redirecionada para uma conexão não segura";
    case code::InvalidCa:
        return "A autoridade de certificação é inválida ou está incorreta";
    case code::InvalidServerResponse:
        return "O servidor retornou uma resposta inválida ou não reconhecida";
    case code::RedirectFailed:
        return "Falha no redirecionamento";
    case code::SecurityChannelError:
        return "Ocorreu um erro no canal seguro";
    case code::SecureFailure:
        return "Falha de segurança na conexão segura";
    case code::NotEnoughMemory:
        return "Memória insuficiente para concluir esta operação";
    }
    return "Ocorreu um erro interno";
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
