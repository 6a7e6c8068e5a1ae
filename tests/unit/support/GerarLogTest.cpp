#include "support/GerarLog.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Library.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kvr;

namespace {

const Variant M = Variant::missing();

sys::TimePoint at(int y, int mo, int d, int h, int mi, int s) {
    return sys::from_local(
        {.year = y, .month = mo, .day = d, .hour = h, .minute = mi, .second = s});
}

// Tuesday 9 January 2024, 14:05:09: files end in _3.log.
class LogTest : public ::testing::Test {
  protected:
    void SetUp() override { set_now(at(2024, 1, 9, 14, 5, 9)); }
    void TearDown() override {
        sys::set_clock_override(nullptr);
        std::setlocale(LC_ALL, "C");
    }
    void set_now(sys::TimePoint t) {
        sys::set_clock_override([t] { return t; });
    }
    std::string file(const std::string& name = "KVRUpload", int weekday = 3) const {
        return dir.str() + "/" + name + "_" + std::to_string(weekday) + ".log";
    }
    std::string content() const { return test::read_file(file()); }
    // An ordinary line of the default instance, application and routine.
    void write(const char* message, const Variant& name = M) {
        GerarLog(Variant("sim"), Variant(""), Variant(message), name, M, M, M, Variant(dir.str()));
    }

    test::TempDir dir;
};

// The start of a line with the default instance and application, written out: 32 and 32
// columns.
const std::string kHead = "09/01/2024 14:05:09 Instância: KVRUPLOAD                       "
                          " Aplicação: KVRUPLOAD                       ";

} // namespace

TEST_F(LogTest, ExactBytesOfLines) {
    const std::string gerar = kHead + " Rotina: GerarLog                  ";
    const Variant S = Variant("sim"), E = Variant(""), m = Variant("m");
    // what; switch, instance, message, routine, error, application; the line
    using Row =
        std::tuple<const char*, Variant, Variant, Variant, Variant, Variant, Variant, std::string>;
    const Row rows[] = {
        {"defaults", S, E, Variant("Caminho não encontrado"), M, M, M,
         gerar + "-> Caminho não encontrado \r\n"},
        {"a blank message: no separator", S, Variant("  "), E, M, Variant(false), Variant(" "),
         gerar + "\r\n"},
        {"a message of blanks is written as given", S, E, Variant("  "), M, E, M, gerar + "  \r\n"},
        {"a routine of 30 characters, kept whole", S, E, m,
         Variant("Rotina_Com_Trinta_Caracteres_X"), M, M,
         kHead + " Rotina: Rotina_Com_Trinta_Caracteres_X -> m \r\n"},
        {"instance and application upper-cased, padded in characters", Variant(true),
         Variant("Instância São"), Variant("x"), Variant("obterWebPath"), M, Variant("aplicação"),
         "09/01/2024 14:05:09 Instância: INSTÂNCIA SÃO                    Aplicação: "
         "APLICAÇÃO                        Rotina: obterWebPath              -> x \r\n"},
        {"long instance and application kept whole", S,
         Variant("instancia_com_mais_de_trinta_e_dois_c"), Variant("x"), M, M,
         Variant("aplicacao_com_mais_de_trinta_e_dois_c"),
         "09/01/2024 14:05:09 Instância: INSTANCIA_COM_MAIS_DE_TRINTA_E_DOIS_C Aplicação: "
         "APLICACAO_COM_MAIS_DE_TRINTA_E_DOIS_C Rotina: GerarLog                  -> x \r\n"},
        // The switch decides ordinary lines only; an error line is always written.
        {"switch blank-padded", Variant("  sim  "), E, m, M, M, M, gerar + "-> m \r\n"},
        {"error line, switch NAO", Variant("NAO"), E, m, M, Variant(true), M,
         gerar + "-> ERRO: m \r\n"},
        {"error line, switch empty", E, E, m, M, Variant(true), M, gerar + "-> ERRO: m \r\n"},
    };
    for (const auto& [what, gravar, instancia, mensagem, rotina, erro, aplicacao, line] : rows) {
        fs::remove(file());
        GerarLog(gravar, instancia, mensagem, M, rotina, erro, aplicacao, Variant(dir.str()));
        EXPECT_EQ(content(), line) << what;
    }
    // A switch that is not "SIM" writes no ordinary line, and no file; a blank bErro is False.
    fs::remove(file());
    for (const Variant& off : {Variant("NAO"), Variant(""), Variant("  "), Variant(false),
                               Variant::null(), Variant("S")}) {
        GerarLog(off, Variant(""), Variant("m"), M, M, Variant("  "), M, Variant(dir.str()));
        EXPECT_TRUE(fs::is_empty(dir.path())) << off.type_name();
    }
}

TEST_F(LogTest, OneFilePerWeekdayEmptiedOnTheFirstLineOfTheDay) {
    // Sunday 7 ... Saturday 13 January 2024.
    for (int day = 7; day <= 13; ++day) {
        set_now(at(2024, 1, day, 10, 0, 0));
        write("dia", Variant("Semana"));
        EXPECT_TRUE(fs::exists(file("Semana", day - 6))) << day;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 7);

    // Tuesday: the old line goes when the file was last written before today's midnight.
    const std::pair<sys::TimePoint, bool> rows[] = {
        {at(2024, 1, 2, 18, 0, 0), true},   // the previous Tuesday
        {at(2024, 1, 8, 23, 59, 59), true}, // the last second of yesterday
        {at(2024, 1, 9, 0, 0, 0), false},   // today's midnight itself
        {at(2024, 1, 9, 8, 0, 0), false},   // earlier today
    };
    const std::string gerar = kHead + " Rotina: GerarLog                  -> ";
    const std::string nova = gerar + "nova \r\n", outra = gerar + "outra \r\n";
    set_now(at(2024, 1, 9, 14, 5, 9));
    for (const auto& [modified, emptied] : rows) {
        test::write_file(file(), "linha antiga\r\n");
        fs::last_write_time(file(), std::chrono::file_clock::from_sys(modified));
        write("nova");
        const std::string kept = emptied ? "" : "linha antiga\r\n";
        EXPECT_EQ(content(), kept + nova);
        write("outra"); // a second line the same day is appended
        EXPECT_EQ(content(), kept + nova + outra);
    }
}

TEST_F(LogTest, FolderRules) {
    const std::string lib = sys::library_folder();
    const std::string rel = fs::relative(dir.path(), lib).string();
    ASSERT_EQ(rel.rfind("..", 0), 0u) << "the test folder must lie outside " << lib;
    const fs::path sub = dir.path() / "sub", log = lib + "/../log";
    fs::create_directory(sub);
    const bool made = fs::create_directories(log);
    const std::string name = "Pasta" + std::to_string(::getpid());
    const std::pair<Variant, fs::path> rows[] = {
        {Variant(dir.str()), dir.path()},
        {Variant(dir.str() + "/"), dir.path()},
        {Variant("  " + dir.str() + "  "), dir.path()},
        {Variant(dir.str() + "\\sub\\"), sub},
        {Variant(rel), dir.path()}, // placed under the library's folder
        {Variant(rel + "/sub"), sub},
        {M, log}, // the default: "../log/" beside the library's folder
        {Variant(""), log},
        {Variant("   "), log},
    };
    for (const auto& [given, folder] : rows) {
        SCOPED_TRACE(given.is_missing() ? "omitted" : "'" + given.to_string() + "'");
        GerarLog(Variant("sim"), Variant(""), Variant("x"), Variant(name), M, M, M, given);
        EXPECT_TRUE(fs::exists(folder / (name + "_3.log")));
        fs::remove(folder / (name + "_3.log"));
    }
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir.path()), {}), 1); // only "sub"
    if (made)
        fs::remove(log);
}

TEST_F(LogTest, AFolderThatCannotTakeTheLineLosesItSilently) {
    // A folder that does not exist is never created.
    const fs::path missing = dir.path() / "nao_existe";
    GerarLog(Variant("SIM"), Variant(""), Variant("x"), M, M, Variant(true), M,
             Variant(missing.string()));
    EXPECT_FALSE(fs::exists(missing));
    // A file that cannot be opened (a folder stands in its place), even for root.
    fs::create_directory(file());
    GerarLog(Variant("SIM"), Variant(""), Variant("x"), M, M, Variant(true), M, Variant(dir.str()));
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_TRUE(fs::is_empty(file()));
    // Arguments that cannot become text.
    GerarLog(Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
             Variant::null(), Variant::null(), Variant(dir.str()));
    GerarLog(Variant("sim"), Variant(VariantArray{}), Variant("x"), M, M, M, M, Variant(dir.str()));
}

TEST_F(LogTest, TheLineIsInTheLocalesCodeset) {
    ASSERT_TRUE(std::setlocale(LC_ALL, "pt_BR.ISO-8859-1"))
        << "locale pt_BR.ISO-8859-1 is not installed: ./make.sh generates it (localedef)";
    GerarLog(Variant("sim"), Variant("ação"), Variant("São João €"), M, M, M, M,
             Variant(dir.str()));
    EXPECT_EQ(content(), "09/01/2024 14:05:09 Inst\xE2ncia: A\xC7\xC3O                            "
                         " Aplica\xE7\xE3o: KVRUPLOAD                        Rotina: GerarLog    "
                         "              -> S\xE3o Jo\xE3o \xE2\x82\xAC \r\n");
}
