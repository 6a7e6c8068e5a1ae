// One transfer through the transfer window, as the control would run it, for the benchmark:
//   http_window get URL LOCAL PROGRESS     (PROGRESS: SIM or NAO; shown on the headless backend)
//   http_window put URL LOCAL PROGRESS
// Prints the result array and the seconds the call took on one line; exits 0 on "1".
// Built by bench/http_bench.sh against libKVRUpload.so.
#include "platform/automation/Variant.h"
#include "transfer/frmKVRProgress.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s get|put URL LOCAL SIM|NAO\n", argv[0]);
        return 2;
    }
    const std::string operacao = argv[1];
    kvr::frmKVRProgress janela;
    janela.ExibirProgresso = argv[4];
    janela.FecharProgresso = "SIM";
    const auto inicio = std::chrono::steady_clock::now();
    const kvr::Variant r =
        operacao == "get"
            ? janela.Download(kvr::Variant(argv[2]), kvr::Variant(argv[3]), kvr::Variant("NAO"))
            : janela.UpLoad(kvr::Variant(argv[2]), kvr::Variant(argv[3]), kvr::Variant("NAO"));
    const double segundos =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
    std::string texto;
    for (const auto& v : r.as_array())
        texto += (texto.empty() ? "" : ", ") + v.to_string();
    std::printf("(%s) %.3f s\n", texto.c_str(), segundos);
    return r.as_array()[0].to_string() == "1" ? 0 : 1;
}
