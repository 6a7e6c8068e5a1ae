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
    using Answer = std::optional<std::optional<std::string>>; // none = nothing queued
    const std::optional<std::string> cancel;
    const struct {
        bool save;
        const char* key;
        Answer queued;
        Variant result;
        std::string message; // "" = no message box
    } rows[] = {
        {false, "TXT", d + "/notas.txt", Variant(d + "/notas.txt"), ""},
        {false, "TXT", d + "/LEIAME", Variant(d + "/LEIAME"), ""},
        {false, "TXT", d + "/report.old.exe", Variant(d + "/report.old.exe"), ""},
        {false, "TXT", cancel, Variant(false), ""},
        {false, "TXT", std::nullopt, Variant(false), nobody("Open")},
        {false, "TXT", d + "/virus.exe", Variant(false),
         "Extensão de Arquivo \".exe\" Não Permitido."},
        {false, "TXT", d + "/musica. Mp3 ", Variant(false),
         "Extensão de Arquivo \".Mp3\" Não Permitido."},
        {false, "TXT", d + "/filme.ovl", Variant(false),
         "Extensão de Arquivo \".ovl\" Não Permitido."},
        // An empty answer goes to the error exit with no error: number 0.
        {false, "TXT", "", Variant(false), "Ocorreu o Seguinte Erro:0 - "},
        {true, "csv", existing, Variant(existing), ""}, // deleted
        {true, "csv", fresh, Variant(fresh), ""},       // only named
        {true, "csv", cancel, Variant(false), ""},
        {true, "csv", "/proc/version", Variant(false),
         "Ocorreu o Seguinte Erro:70 - Permission denied"},
        {true, "csv", std::nullopt, Variant(false), nobody("Save As")},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.result.to_string());
        ui().clear_events();
        ui().clear_queue();
        if (r.queued)
            answer(*r.queued);
        const Variant got =
            r.save ? form().SalvarArquivo(Variant(r.key)) : form().AbrirArquivo(Variant(r.key));
        EXPECT_EQ(got, r.result);
        EXPECT_EQ(message_boxes(),
                  r.message.empty() ? std::vector<std::string>{} : std::vector{r.message});
        EXPECT_EQ(recorded("DialogTitle"), Variant(r.save ? "Download de Arquivo: Salvar Como"
                                                          : "Upload de Arquivo: Abrir"));
        EXPECT_EQ(recorded("Filter"), Variant(r.save ? "Documentos CSV (*.csv)|*.csv;|"
                                                     : "Documentos em Texto (*.txt)|*.txt;|"));
        EXPECT_EQ(recorded("ShowOpen").has_value(), !r.save);
        EXPECT_EQ(recorded("ShowSave").has_value(), r.save);
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
