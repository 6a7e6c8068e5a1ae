// Shared by the transfer window's integration tests.
#pragma once

#include "dialogs/frmKVRDialog.h"
#include "platform/sys/Clock.h"
#include "platform/ui/DefaultInstance.h"
#include "support/HeadlessTest.h"
#include "support/ScriptedHttp.h"
#include "support/TestSupport.h"
#include "support/VariantPrint.h"
#include "transfer/frmKVRProgress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace kvr::test {

// The clock stands at 10:20:30 on Tuesday 7 January 2031 and moves `step` seconds at every
// reading. The download logs into "c:\KVRUpload.log\KVRUpload_<weekday>.log": the drive root
// is a folder of the test's own, where that log folder is made.
class RelogioDeTeste {
  public:
    explicit RelogioDeTeste(double step = 0) {
        sys::LocalDateTime l;
        l.year = 2031, l.month = 1, l.day = 7, l.hour = 10, l.minute = 20, l.second = 30;
        auto leituras = std::make_shared<std::atomic<long>>(0);
        const auto passo = std::chrono::duration_cast<sys::TimePoint::duration>(
            std::chrono::duration<double>(step));
        sys::set_clock_override(
            [base = sys::from_local(l), leituras, passo] { return base + passo * (*leituras)++; });
        setenv("KVRUPLOAD_DRIVE_ROOT", m_raiz.str().c_str(), 1);
        std::filesystem::create_directory(m_raiz.path() / "KVRUpload.log");
    }
    ~RelogioDeTeste() {
        sys::set_clock_override({});
        unsetenv("KVRUPLOAD_DRIVE_ROOT");
    }

    std::filesystem::path log() const { return m_raiz.path() / "KVRUpload.log/KVRUpload_3.log"; }

  private:
    TempDir m_raiz;
};

// A fresh window, no progress shown unless the test asks, the headless record cleared.
class JanelaTest : public HeadlessTest {
  protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_TRUE(web.running()) << "the http fixture is not running";
        nova();
    }
    void TearDown() override {
        ui().clear_queue();
        if (f)
            f->unload();
        ui::DefaultInstance<frmKVRDialog>::unload();
    }

    void nova(const char* exibir = "NAO", const char* fechar = "SIM") {
        f = std::make_unique<frmKVRProgress>();
        f->ExibirProgresso = exibir;
        f->FecharProgresso = fechar;
        ui().clear_events();
    }

    // The value a control's property was last given.
    std::optional<Variant> ultimo(const std::string& control, const std::string& property) const {
        std::optional<Variant> v;
        for (const auto& e : ui().events())
            if (e.form == "frmKVRProgress" && e.control == control && e.property == property)
                v = e.value;
        return v;
    }
    std::string texto(const std::string& control) const {
        auto v = ultimo(control, "Caption");
        return v ? v->to_string() : std::string("<never set>");
    }
    // `mensagem`, or when it is empty the transfer control's own code (one of its failures)
    // and text.
    std::string motivo(const std::string& mensagem) const {
        if (!mensagem.empty())
            return mensagem;
        EXPECT_GE(f->Inet1().ResponseCode(), 12000);
        return std::to_string(f->Inet1().ResponseCode()) + " - " + f->Inet1().ResponseInfo();
    }

    std::unique_ptr<frmKVRProgress> f;
    Nginx web;
    std::string prefixo = "itest-transfer-" + std::to_string(getpid()) + "-";
    TempDir tmp;
};

inline Variant falha(const std::string& mensagem) {
    return Variant::array({"0", mensagem});
}

// What the window reports for a URL of a scheme the transfer control does not take.
inline const std::string kProtocoloRecusado = "35753 - Protocolo não suportado por este método";

} // namespace kvr::test
