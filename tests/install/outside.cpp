// Embeds the installed library: creates the control by ProgID, downloads one file with it,
// and sees the library's errors arrive as kvrupload::Error.
// Usage: outside URL LOCAL SIZE (run without DISPLAY).
#include <kvrupload/kvrupload.h>

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: outside URL LOCAL SIZE\n";
        return 2;
    }
    int failures = 0;
    auto expect = [&](bool ok, const std::string& what) {
        failures += !ok;
        if (!ok)
            std::cerr << "FAILED: " << what << "\n";
    };
    expect(std::string(kvrupload::version()) == KVRUPLOAD_VERSION, "header and library versions");
    std::string why = "?";
    expect(!kvrupload::use_gui(&why) && why.empty(), "no display named: headless, nothing to say");

    kvrupload::Object ctl = kvrupload::Object::create("KVRUpload.ctlKVRUpload");
    ctl.set("ExibirProgresso", "NAO");
    std::vector<kvrupload::Value> r = ctl.call("Download", {argv[1], argv[2]}).items();
    expect(r.size() == 3 && r[0].to_string() == "1" && r[1].to_string() == argv[2] &&
               r[2].to_string() == argv[3],
           "download result");

    struct Refusal {
        const char* what;
        std::function<void()> act;
        std::int32_t number;
    };
    const Refusal refusals[] = {
        {"unknown ProgID", [] { kvrupload::Object::create("Nenhuma.Classe"); }, 429},
        {"text as a number", [] { kvrupload::Value("abc").to_long(); }, 13},
        {"refused option value", [&] { ctl.set("ExibirProgresso", "TALVEZ"); }, -2147219496},
    };
    for (const auto& r : refusals) {
        try {
            r.act();
            expect(false, std::string(r.what) + ": no error");
        } catch (const kvrupload::Error& e) {
            expect(e.number() == r.number, std::string(r.what) + ": error " +
                                               std::to_string(e.number()) + " " + e.description());
        }
    }
    std::cout << (failures ? "outside: failed\n" : "outside: ok\n");
    return failures ? 1 : 0;
}
