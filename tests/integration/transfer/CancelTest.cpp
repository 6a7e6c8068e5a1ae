// A host that asks the thread to stop (Ctrl-C) while a transfer waits on a server that has
// gone quiet: the transfer ends within a moment with the user's cancel result.
#include "platform/sys/Cancel.h"
#include "integration/transfer/TransferTestSupport.h"

#include <chrono>

namespace kvr::test {
namespace {

using Clock = std::chrono::steady_clock;

class Cancel : public JanelaTest {};

TEST_F(Cancel, AStopAskedDuringTheWaitEndsTheTransferAsTheUsersCancel) {
    ScriptedHttp corpo_parado("stall_body");
    ScriptedHttp sem_resposta("stall");
    const std::string local = (tmp.path() / "local.txt").string();
    write_file(local, "dados");
    const struct {
        bool upload;
        const char* exibir;
        const char* fechar;
        ScriptedHttp& servidor;
        const char* mensagem;
    } casos[] = {
        {false, "NAO", "SIM", corpo_parado, "Download Cancelado."},
        {false, "SIM", "NAO", corpo_parado, "Download Cancelado."},
        {true, "NAO", "SIM", sem_resposta, "Upload Cancelado."},
        {true, "SIM", "NAO", sem_resposta, "Upload Cancelado."},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(std::string(c.mensagem) + " " + c.exibir);
        nova(c.exibir, c.fechar);
        const auto inicio = Clock::now();
        const sys::CancelScope pedido(
            [inicio] { return Clock::now() - inicio > std::chrono::milliseconds(300); });
        const Variant r =
            c.upload
                ? f->UpLoad(Variant(c.servidor.url("/dest/a.txt")), Variant(local), Variant("NAO"))
                : f->Download(Variant(c.servidor.url("/a.bin")),
                              Variant((tmp.path() / "a.bin").string()), Variant("NAO"));
        EXPECT_EQ(r, Variant::array({"0", c.mensagem}));
        EXPECT_LT(Clock::now() - inicio, std::chrono::seconds(2));
    }
}

} // namespace
} // namespace kvr::test
