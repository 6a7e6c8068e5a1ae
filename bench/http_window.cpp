// One transfer through the control and its transfer window, for the benchmark:
//   http_window get URL LOCAL PROGRESS     (PROGRESS: SIM or NAO; shown on the headless backend)
//   http_window put URL LOCAL PROGRESS
// Prints the result array and the seconds the call took on one line; exits 0 on "1".
// Built by bench/http_bench.sh against libKVRUpload.so and its public headers.
#include <kvrupload/kvrupload.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s get|put URL LOCAL SIM|NAO\n", argv[0]);
        return 2;
    }
    const std::string operacao = argv[1];
    kvrupload::Object ctl = kvrupload::Object::create("KVRUpload.ctlKVRUpload");
    ctl.set("ExibirProgresso", argv[4]);
    ctl.set("FecharProgresso", "SIM");
    const auto inicio = std::chrono::steady_clock::now();
    const auto r = ctl.call(operacao == "get" ? "Download" : "UpLoad", {argv[2], argv[3]}).items();
    const double segundos =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
    std::string texto;
    for (const auto& v : r)
        texto += (texto.empty() ? "" : ", ") + v.to_string();
    std::printf("(%s) %.3f s\n", texto.c_str(), segundos);
    return r.empty() || r[0].to_string() != "1";
}
