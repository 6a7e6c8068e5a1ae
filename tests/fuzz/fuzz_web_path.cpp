// Web-path resolution with the library's default components (a KVRWebDir configuration file
// and the process environment as the server's variables): whatever the received path, the
// answer is Empty or a text with native separators only, and a plain path keeps its letters
// (a legacy drive root such as "c:\" first becomes its native folder).
#include "FuzzCheck.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/sys/LocalPath.h"
#include "support/WebPath.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {
std::shared_ptr<kvr::Object> g_servidor;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Everything the components read, and the log the failures write, in a folder of our own.
    static std::string dir = "/tmp/kvr-fuzz-webpath-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/webdir.conf") << "webroot = /srv/www\naddress = 127.0.0.1:80\n"
                                           "site vendas = /srv/sites/Vendas\n";
    setenv("KVRWEBDIR_CONFIG", (dir + "/webdir.conf").c_str(), 1);
    setenv("KVRUPLOAD_DRIVE_ROOT", dir.c_str(), 1);
    setenv("APPL_PHYSICAL_PATH", "/srv/app/", 1);
    g_servidor = kvr::CreateObject("RXTServidorAsp.clsServidor");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string recebido(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<kvr::Object> servidor = (size % 2) ? g_servidor : nullptr;
    kvr::Variant r = kvr::DefinirWebPath(servidor, recebido);
    if (r.is_empty())
        return 0;
    const std::string caminho = r.to_string();
    FUZZ_CHECK(caminho.find('\\') == std::string::npos);
    if (recebido.find(')') == std::string::npos && recebido.find("://") == std::string::npos) {
        // No prefix: past the drive mapping, only the separators change.
        std::string esperado = kvr::sys::native_local_path(recebido), letras = caminho;
        std::erase_if(esperado, [](char c) { return c == '\\' || c == '/'; });
        std::erase(letras, '/');
        FUZZ_CHECK(letras == esperado);
    }
    return 0;
}
