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
using kvr::frmKVRDialog;
using kvr::Variant;
using kvr::ui::DefaultInstance;
using kvr::ui::HeadlessBackend;
using kvr::ui::UiEvent;
using kvr::ui::UserAction;

namespace {

class DialogTest : public kvr::test::HeadlessTest {
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

    kvr::test::TempDir dir;
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

TEST_F(DialogTest, OpenAnswersCancelsFailuresAndForbiddenFiles) {
    const std::string d = dir.str();
    ASSERT_EQ(d.find('.'), std::string::npos) << "the test folder's path must hold no dot";
    const std::string unexpected =
        "Ocorreu o Seguinte Erro:" + std::to_string(kvr::rt::Unexpected) + " - ";
    struct Row {
        std::optional<std::optional<std::string>> queued; // none = nothing queued
        Variant result;
        std::string message_prefix; // "" = no message box
    };
    const Row rows[] = {
        {std::optional<std::string>(d + "/notas.txt"), Variant(d + "/notas.txt"), ""},
        {std::optional<std::string>(d + "/LEIAME"), Variant(d + "/LEIAME"), ""},
        {std::optional<std::string>(d + "/report.old.exe"), Variant(d + "/report.old.exe"), ""},
        {std::optional<std::string>(std::nullopt), Variant(false), ""},
        {std::nullopt, Variant(false), unexpected},
        {std::optional<std::string>(d + "/virus.exe"), Variant(false),
         "Extensão de Arquivo \".exe\" Não Permitido."},
        {std::optional<std::string>(d + "/musica. Mp3 "), Variant(false),
         "Extensão de Arquivo \".Mp3\" Não Permitido."},
        {std::optional<std::string>(d + "/filme.ovl"), Variant(false),
         "Extensão de Arquivo \".ovl\" Não Permitido."},
        // An empty answer goes to the error exit with no error: number 0.
        {std::optional<std::string>(""), Variant(false), "Ocorreu o Seguinte Erro:0 - "},
    };
    for (const Row& r : rows) {
        ui().clear_events();
        ui().clear_queue();
        if (r.queued)
            answer(*r.queued);
        const Variant got = form().AbrirArquivo(Variant("TXT"));
        SCOPED_TRACE(r.result.to_string());
        EXPECT_EQ(got.type(), r.result.type());
        EXPECT_EQ(got, r.result);
        const auto boxes = message_boxes();
        if (r.message_prefix.empty()) {
            EXPECT_TRUE(boxes.empty()) << boxes.front();
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].substr(0, r.message_prefix.size()), r.message_prefix);
            if (r.message_prefix.rfind("Extensão", 0) == 0) {
                EXPECT_EQ(boxes[0], r.message_prefix);
            }
        }
        // The settings at the moment of the show are recorded, again on every show of the
        // same instance.
        EXPECT_EQ(recorded("DialogTitle"), Variant("Upload de Arquivo: Abrir"));
        EXPECT_EQ(recorded("Filter"), Variant("Documentos em Texto (*.txt)|*.txt;|"));
        EXPECT_TRUE(recorded("ShowOpen").has_value());
        EXPECT_FALSE(recorded("ShowSave").has_value());
    }
}

TEST_F(DialogTest, SaveDeletesAnExistingFileAndReportsFailures) {
    const fs::path existing = dir.path() / "antigo.csv";
    kvr::test::write_file(existing, "conteúdo antigo");
    const fs::path fresh = dir.path() / "novo.csv";

    answer(existing.string());
    EXPECT_EQ(form().SalvarArquivo(Variant("csv")), Variant(existing.string()));
    EXPECT_FALSE(fs::exists(existing));
    EXPECT_EQ(recorded("DialogTitle"), Variant("Download de Arquivo: Salvar Como"));
    EXPECT_EQ(recorded("Filter"), Variant("Documentos CSV (*.csv)|*.csv;|"));
    EXPECT_TRUE(recorded("ShowSave").has_value());
    EXPECT_FALSE(recorded("ShowOpen").has_value());

    answer(fresh.string());
    EXPECT_EQ(form().SalvarArquivo(Variant("csv")), Variant(fresh.string()));
    EXPECT_FALSE(fs::exists(fresh)); // the dialog only names it
    EXPECT_TRUE(message_boxes().empty());

    answer(std::nullopt);
    EXPECT_EQ(form().SalvarArquivo(Variant("csv")), Variant(false));
    EXPECT_TRUE(message_boxes().empty());

    // A file that cannot be deleted: the error exit with the runtime's error.
    answer(std::string("/proc/version"));
    EXPECT_EQ(form().SalvarArquivo(Variant("txt")), Variant(false));
    ASSERT_EQ(message_boxes().size(), 1u);
    EXPECT_EQ(message_boxes()[0], "Ocorreu o Seguinte Erro:70 - Permission denied");

    ui().clear_events();
    EXPECT_EQ(form().SalvarArquivo(Variant("txt")), Variant(false));
    ASSERT_EQ(message_boxes().size(), 1u);
    EXPECT_EQ(message_boxes()[0].rfind("Ocorreu o Seguinte Erro:-2147418113 - Save As dialog", 0),
              0u)
        << message_boxes()[0];
}

TEST_F(DialogTest, ReachableByNameAndLateBound) {
    auto entry = kvr::NamedInstances::instance().find("frmKVRDialog");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->kind, "form");
    auto obj = entry->get();
    EXPECT_EQ(obj->type_name(), "frmKVRDialog");
    EXPECT_EQ(obj->call("extensaoproibida", {Variant("ocx")}), Variant(true));
    const std::string path = dir.str() + "/foto.jpg";
    answer(path);
    EXPECT_EQ(obj->call("AbrirArquivo", {Variant("jpg")}), Variant(path));
    entry->unload();
    EXPECT_FALSE(DefaultInstance<frmKVRDialog>::exists());
}
