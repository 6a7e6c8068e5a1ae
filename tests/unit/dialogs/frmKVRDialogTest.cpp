#include "dialogs/frmKVRDialog.h"
#include "platform/automation/NamedInstances.h"
#include "platform/ui/DefaultInstance.h"
#include "platform/ui/HeadlessBackend.h"
#include "support/HeadlessTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kvr;
using namespace kvr::ui;

namespace {

class DialogTest : public test::HeadlessTest {
  protected:
    void TearDown() override { DefaultInstance<frmKVRDialog>::unload(); }

    frmKVRDialog& form() { return DefaultInstance<frmKVRDialog>::get(); }
    void answer(std::optional<std::string> path) {
        ui().queue({UserAction::Dialog, "", std::move(path)});
    }
    std::vector<std::string> message_boxes() const {
        std::vector<std::string> out;
        for (const UiEvent& e : ui().events())
            if (e.form == "MsgBox")
                out.push_back(e.value.to_string());
        return out;
    }
    // The dialog's settings as recorded, latest value of each property.
    std::optional<Variant> recorded(const std::string& property) const {
        std::optional<Variant> v;
        for (const UiEvent& e : ui().events())
            if (e.form == "frmKVRDialog" && e.control == "oDialog" && e.property == property)
                v = e.value;
        return v;
    }

    test::TempDir dir;
};

} // namespace

// The extension is compared whole, trimmed and in any case, with the forbidden ones.
TEST_F(DialogTest, ForbiddenExtensions) {
    const std::pair<const char*, bool> rows[] = {
        {" EXE ", true}, {"Ov", true},  {"EXE2", false},    {"EX", false},
        {"", false},     {"  ", false}, {"OLD.EXE", false}, {"JSX", false},
    };
    for (const auto& [ext, forbidden] : rows)
        EXPECT_EQ(form().ExtensaoProibida(Variant(ext)), forbidden) << "'" << ext << "'";
}

TEST_F(DialogTest, FilterForAnExtensionKey) {
    const std::string jpeg = "Documentos Imagens JPEG (*.jpg)|*.jpg;|";
    const std::string full = "Planilhas (*.xls)|*.xls;|";
    const std::pair<std::string, std::string> rows[] = {
        {"  Jpg  ", jpeg},
        {"SIM", jpeg},
        {" SIM", " SIM"}, // not "SIM" untrimmed, and no key: back unchanged
        {"txt ", "Documentos em Texto (*.txt)|*.txt;|"},
        {" pdf ", " pdf "},
        {full, full},
    };
    for (const auto& [key, filter] : rows)
        EXPECT_EQ(form().ExtensaoPermitida(Variant(key)), filter) << "'" << key << "'";
}

// The settings at the moment of the show are recorded, again on every show of the same
// instance; a failure is said in one message box and returns False.
TEST_F(DialogTest, OpenAndSaveAnswersCancelsAndFailures) {
    const std::string d = dir.str();
    ASSERT_EQ(d.find('.'), std::string::npos) << "the test folder's path must hold no dot";
    const std::string existing = d + "/antigo.csv", fresh = d + "/novo.csv";
    test::write_file(existing, "conteúdo antigo");
    const auto nobody = [](const char* dialog) {
        return "Ocorreu o Seguinte Erro:" + std::to_string(rt::Unexpected) + " - " + dialog +
               " dialog: no user action is queued and nothing else can end the wait";
    };
    const auto refused = [](const char* ext) {
        return "Extensão de Arquivo \"" + std::string(ext) + "\" Não Permitido.";
    };
    using Answer = std::optional<std::optional<std::string>>; // none = nothing queued
    const std::optional<std::string> cancel;
    // Save As or Open, the answer, whether it is the result (else False), the message box
    const std::tuple<bool, Answer, bool, std::string> rows[] = {
        {false, d + "/notas.txt", true, ""},
        {false, d + "/LEIAME", true, ""},
        {false, d + "/report.old.exe", true, ""},
        {false, cancel, false, ""},
        {false, std::nullopt, false, nobody("Open")},
        {false, d + "/virus.exe", false, refused(".exe")},
        {false, d + "/musica. Mp3 ", false, refused(".Mp3")},
        {false, d + "/filme.ovl", false, refused(".ovl")},
        // An empty answer goes to the error exit with no error: number 0.
        {false, "", false, "Ocorreu o Seguinte Erro:0 - "},
        {true, existing, true, ""}, // deleted
        {true, fresh, true, ""},    // only named
        {true, cancel, false, ""},
        {true, "/proc/version", false, "Ocorreu o Seguinte Erro:70 - Permission denied"},
        {true, std::nullopt, false, nobody("Save As")},
    };
    for (const auto& [save, queued, ok, message] : rows) {
        SCOPED_TRACE(queued ? queued->value_or("(cancel)") : "(nothing)");
        ui().clear_events();
        ui().clear_queue();
        if (queued)
            answer(*queued);
        EXPECT_EQ(save ? form().SalvarArquivo(Variant("csv")) : form().AbrirArquivo(Variant("TXT")),
                  ok ? Variant(**queued) : Variant(false));
        EXPECT_EQ(message_boxes(),
                  message.empty() ? std::vector<std::string>{} : std::vector{message});
        EXPECT_EQ(recorded("DialogTitle"),
                  Variant(save ? "Download de Arquivo: Salvar Como" : "Upload de Arquivo: Abrir"));
        EXPECT_EQ(recorded("Filter"), Variant(save ? "Documentos CSV (*.csv)|*.csv;|"
                                                   : "Documentos em Texto (*.txt)|*.txt;|"));
        EXPECT_EQ(recorded("ShowOpen").has_value(), !save);
        EXPECT_EQ(recorded("ShowSave").has_value(), save);
    }
    EXPECT_FALSE(fs::exists(existing));
    EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(DialogTest, ReachableByNameAndLateBound) {
    auto entry = NamedInstances::instance().find("frmKVRDialog");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->kind, "form");
    auto obj = entry->get();
    EXPECT_EQ(obj->call("extensaoproibida", {Variant("ocx")}), Variant(true));
    const std::string path = dir.str() + "/foto.jpg";
    answer(path);
    EXPECT_EQ(obj->call("AbrirArquivo", {Variant("jpg")}), Variant(path));
    entry->unload();
    EXPECT_FALSE(DefaultInstance<frmKVRDialog>::exists());
}
