#include "support/GerarLog.h"
#include "platform/automation/ComError.h"
#include "platform/automation/NamedInstances.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Library.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using kvr::GerarLog;
using kvr::Variant;
namespace sys = kvr::sys;

namespace {

const Variant M = Variant::missing();

sys::TimePoint at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    sys::LocalDateTime l;
    l.year = y;
    l.month = mo;
    l.day = d;
    l.hour = h;
    l.minute = mi;
    l.second = s;
    return sys::from_local(l);
}

void set_mtime(const fs::path& p, sys::TimePoint t) {
    fs::last_write_time(p, std::chrono::file_clock::from_sys(t));
}

// Tuesday 9 January 2024, 14:05:09: files end in _3.log.
class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C");
        set_now(at(2024, 1, 9, 14, 5, 9));
    }
    void TearDown() override {
        sys::set_clock_override(nullptr);
        std::setlocale(LC_ALL, "C");
    }
    void set_now(sys::TimePoint t) {
        sys::set_clock_override([t] { return t; });
    }
    std::string folder() const { return dir.str() + "/"; }
    std::string file(const std::string& name = "KVRUpload", int weekday = 3) const {
        return folder() + name + "_" + std::to_string(weekday) + ".log";
    }
    std::string content(const std::string& name = "KVRUpload", int weekday = 3) const {
        return kvr::test::read_file(file(name, weekday));
    }
    bool folder_is_empty() const { return fs::is_empty(dir.path()); }

    kvr::test::TempDir dir;
};

// The fixed parts of a line, written out: 32, 32 and 25 columns.
const std::string kInstancia = " Instância: KVRUPLOAD                       ";
const std::string kAplicacao = " Aplicação: KVRUPLOAD                       ";

int lines(const std::string& c) {
    int n = 0;
    for (auto p = c.find("\r\n"); p != std::string::npos; p = c.find("\r\n", p + 2))
        ++n;
    return n;
}

} // namespace

TEST_F(LogTest, ExactBytesOfLines) {
    struct Row {
        const char* what;
        Variant gravar, instancia, mensagem, rotina, erro, aplicacao;
        std::string line;
    };
    const Row rows[] = {
        {"the download's error line", Variant("SIM"), Variant("KVRUpload"),
         Variant("Erro 404 - Not Found"), Variant("Download"), Variant(true), Variant("KVRUpload"),
         "09/01/2024 14:05:09" + kInstancia + kAplicacao +
             " Rotina: Download                  -> ERRO: Erro 404 - Not Found \r\n"},
        {"an ordinary line with the defaults", Variant("sim"), Variant(""),
         Variant("Caminho não encontrado"), M, M, M,
         "09/01/2024 14:05:09" + kInstancia + kAplicacao +
             " Rotina: GerarLog                  -> Caminho não encontrado \r\n"},
        {"a blank message: no separator, the trailing blank", Variant("sim"), Variant("  "),
         Variant(""), M, Variant(false), Variant(" "),
         "09/01/2024 14:05:09" + kInstancia + kAplicacao +
             " Rotina: GerarLog                  \r\n"},
        {"a message of blanks is written as given", Variant("sim"), Variant(""), Variant("  "), M,
         Variant(""), M,
         "09/01/2024 14:05:09" + kInstancia + kAplicacao +
             " Rotina: GerarLog                    \r\n"},
        {"a routine of exactly 25 characters", Variant("sim"), Variant(""), Variant("m"),
         Variant("Rotina_De_25_Caracteres_X"), M, M,
         "09/01/2024 14:05:09" + kInstancia + kAplicacao +
             " Rotina: Rotina_De_25_Caracteres_X -> m \r\n"},
        {"a routine of 30 characters, kept whole", Variant("sim"), Variant(""), Variant("m"),
         Variant("Rotina_Com_Trinta_Caracteres_X"), M, M,
         "09/01/2024 14:05:09" + kInstancia + kAplicacao +
             " Rotina: Rotina_Com_Trinta_Caracteres_X -> m \r\n"},
        {"instance and application upper-cased, padded in characters", Variant(true),
         Variant("Instância São"), Variant("x"), Variant("obterWebPath"), M, Variant("aplicação"),
         "09/01/2024 14:05:09 Instância: INSTÂNCIA SÃO                    Aplicação: "
         "APLICAÇÃO                        Rotina: obterWebPath              -> x \r\n"},
        {"long instance and application kept whole", Variant("sim"),
         Variant("instancia_com_mais_de_trinta_e_dois_c"), Variant("x"), M, M,
         Variant("aplicacao_com_mais_de_trinta_e_dois_c"),
         "09/01/2024 14:05:09 Instância: INSTANCIA_COM_MAIS_DE_TRINTA_E_DOIS_C Aplicação: "
         "APLICACAO_COM_MAIS_DE_TRINTA_E_DOIS_C Rotina: GerarLog                  -> x \r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        fs::remove(file());
        GerarLog(r.gravar, r.instancia, r.mensagem, M, r.rotina, r.erro, r.aplicacao,
                 Variant(dir.str()));
        EXPECT_EQ(content(), r.line);
    }
}

TEST_F(LogTest, TheSwitchDecidesOrdinaryLinesOnly) {
    struct Row {
        Variant gravar;
        Variant erro;
        bool written;
    };
    const Row rows[] = {
        {Variant("  sim  "), M, true},
        {Variant("SIM"), Variant(false), true},
        {Variant(true), M, true},
        {Variant("NAO"), M, false},
        {Variant(""), M, false},
        {Variant("  "), M, false},
        {Variant(false), M, false},
        {Variant(), M, false},
        {Variant::null(), M, false},
        {Variant("S"), Variant("  "), false},
        {Variant("NAO"), Variant(true), true},
        {Variant(""), Variant(true), true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.gravar.type_name() + " '" +
                     (r.gravar.is_null() ? "" : r.gravar.to_string()) + "'");
        fs::remove(file());
        GerarLog(r.gravar, Variant(""), Variant("mensagem"), M, M, r.erro, M, Variant(dir.str()));
        EXPECT_EQ(fs::exists(file()), r.written);
        if (!r.written)
            EXPECT_TRUE(folder_is_empty()) << "the file was created";
        else
            EXPECT_NE(content().find(r.erro.is_missing() || !r.erro.to_bool()
                                         ? " -> mensagem \r\n"
                                         : " -> ERRO: mensagem"),
                      std::string::npos)
                << content();
    }
}

TEST_F(LogTest, OneFilePerWeekdayEmptiedOnTheFirstLineOfTheDay) {
    // Sunday 7 ... Saturday 13 January 2024.
    for (int day = 7; day <= 13; ++day) {
        set_now(at(2024, 1, day, 10, 0, 0));
        GerarLog(Variant("sim"), Variant(""), Variant("dia"), Variant("Semana"), M, M, M,
                 Variant(dir.str()));
        EXPECT_TRUE(fs::exists(file("Semana", day - 6))) << day;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 7);

    // Tuesday: the old line goes when the file was last written before today's midnight.
    struct Row {
        sys::TimePoint modified;
        bool emptied;
    };
    const Row rows[] = {
        {at(2024, 1, 2, 18, 0, 0), true},   // the previous Tuesday
        {at(2024, 1, 8, 23, 59, 59), true}, // the last second of yesterday
        {at(2024, 1, 9, 0, 0, 0), false},   // today's midnight itself
        {at(2024, 1, 9, 8, 0, 0), false},   // earlier today
    };
    for (const Row& r : rows) {
        set_now(at(2024, 1, 9, 14, 5, 9));
        kvr::test::write_file(file(), "linha antiga\r\n");
        set_mtime(file(), r.modified);
        GerarLog(Variant("sim"), Variant(""), Variant("nova"), M, M, M, M, Variant(dir.str()));
        EXPECT_EQ(lines(content()), r.emptied ? 1 : 2) << content();
        EXPECT_EQ(content().rfind("linha antiga\r\n", 0) == 0, !r.emptied) << content();
        // A second line the same day is appended.
        GerarLog(Variant("sim"), Variant(""), Variant("outra"), M, M, M, M, Variant(dir.str()));
        EXPECT_EQ(lines(content()), r.emptied ? 2 : 3) << content();
        EXPECT_NE(content().find(" -> nova \r\n"), std::string::npos);
        EXPECT_EQ(content().substr(content().size() - 12), " -> outra \r\n");
    }
}

TEST_F(LogTest, FolderRules) {
    const std::string lib = sys::library_folder();
    const fs::path sub = dir.path() / "sub";
    fs::create_directory(sub);
    const std::string rel = fs::relative(dir.path(), lib).string();
    ASSERT_EQ(rel.rfind("..", 0), 0u) << "the test folder must lie outside " << lib;
    struct Row {
        std::string given;
        fs::path written;
    };
    const Row rows[] = {
        {dir.str(), dir.path() / "Pasta_3.log"},
        {dir.str() + "/", dir.path() / "Pasta_3.log"},
        {"  " + dir.str() + "  ", dir.path() / "Pasta_3.log"},
        {dir.str() + "\\sub\\", sub / "Pasta_3.log"},
        {rel, dir.path() / "Pasta_3.log"}, // placed under the library's folder
        {rel + "/sub", sub / "Pasta_3.log"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.given);
        GerarLog(Variant("sim"), Variant(""), Variant("x"), Variant("Pasta"), M, M, M,
                 Variant(r.given));
        EXPECT_TRUE(fs::exists(r.written));
        fs::remove(r.written);
    }
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir.path()),
                            fs::recursive_directory_iterator()),
              1); // only "sub"
}

TEST_F(LogTest, DefaultFolderIsLogBesideTheLibrarysFolder) {
    const std::string lib = sys::library_folder();
    const fs::path log = fs::path(lib + "/../log");
    const bool made = fs::create_directories(log);
    const std::string name = "Padrao" + std::to_string(::getpid());
    for (const Variant& none : {M, Variant(""), Variant("   ")}) {
        GerarLog(Variant("sim"), Variant(""), Variant("x"), Variant(name), M, M, M, none);
        const fs::path written = log / (name + "_3.log");
        EXPECT_TRUE(fs::exists(written)) << written;
        fs::remove(written);
    }
    if (made)
        fs::remove(log);
}

TEST_F(LogTest, AFolderThatCannotTakeTheLineLosesItSilently) {
    // A folder that does not exist is never created.
    const fs::path missing = dir.path() / "nao_existe";
    GerarLog(Variant("SIM"), Variant(""), Variant("x"), M, M, Variant(true), M,
             Variant(missing.string()));
    EXPECT_FALSE(fs::exists(missing));
    // The download's folder "c:\KVRUpload.log" is "/KVRUpload.log/": only where it exists.
    if (!fs::exists("/KVRUpload.log")) {
        GerarLog(Variant("SIM"), Variant("KVRUpload"), Variant("falha"), Variant("KVRUpload"),
                 Variant("Download"), Variant(true), Variant("KVRUpload"),
                 Variant("c:\\KVRUpload.log"));
        EXPECT_FALSE(fs::exists("/KVRUpload.log"));
    }
    // A file that cannot be opened (a folder stands in its place), even for root.
    fs::create_directory(file());
    GerarLog(Variant("SIM"), Variant(""), Variant("x"), M, M, Variant(true), M, Variant(dir.str()));
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_TRUE(fs::is_empty(file()));
    // Arguments that cannot become text.
    GerarLog(Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
             Variant::null(), Variant::null(), Variant(dir.str()));
    GerarLog(Variant("sim"), Variant(kvr::VariantArray{}), Variant("x"), M, M, M, M,
             Variant(dir.str()));
    SUCCEED();
}

TEST_F(LogTest, TheLineIsInTheLocalesCodeset) {
    struct Row {
        const char* locale;
        std::string expected;
    };
    const Row rows[] = {
        {"pt_BR.ISO-8859-1",
         "09/01/2024 14:05:09 Inst\xE2ncia: A\xC7\xC3O                            "
         " Aplica\xE7\xE3o: KVRUPLOAD                        Rotina: GerarLog                "
         "  -> S\xE3o Jo\xE3o \xE2\x82\xAC \r\n"},
        {"pt_BR.UTF-8", "09/01/2024 14:05:09 Instância: AÇÃO                            "
                        " Aplicação: KVRUPLOAD                        Rotina: GerarLog     "
                        "             -> São João € \r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.locale);
        if (!std::setlocale(LC_ALL, r.locale)) {
            ADD_FAILURE() << "locale " << r.locale
                          << " is not installed: ./make.sh generates it (localedef)";
            continue;
        }
        fs::remove(file());
        GerarLog(Variant("sim"), Variant("ação"), Variant("São João €"), M, M, M, M,
                 Variant(dir.str()));
        EXPECT_EQ(content(), r.expected);
    }
}

TEST_F(LogTest, ModSuporteOffersGerarLogByName) {
    auto entry = kvr::NamedInstances::instance().find("modSuporte");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->kind, "module");
    auto mod = entry->get();
    mod->call("GerarLog", {Variant("sim"), Variant(""), Variant("pelo módulo"), Variant("Mod"), M,
                           M, M, Variant(dir.str())});
    EXPECT_EQ(content("Mod"), "09/01/2024 14:05:09" + kInstancia + kAplicacao +
                                  " Rotina: GerarLog                  -> pelo módulo \r\n");
    try {
        mod->call("GerarLog", {Variant("sim"), Variant("")});
        ADD_FAILURE() << "the message was left out";
    } catch (const kvr::ComError&) {
    }
}
