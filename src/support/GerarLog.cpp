#include "support/GerarLog.h"

#include "platform/automation/Err.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Codeset.h"
#include "platform/sys/Files.h"
#include "platform/sys/Library.h"
#include "platform/sys/LocalPath.h"
#include "platform/sys/OutputFile.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace kvr {

namespace {

// Left out, or blank after trimming (Null is neither).
bool ausente(const Variant& v) {
    return v.is_missing() || (!v.is_null() && trim(v.to_string()).empty());
}

bool termina_com_barra(const std::string& s) {
    return !s.empty() && s.back() == sys::kSeparator[0];
}

std::string dois_digitos(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

// "DD/MM/YYYY HH:MM:SS" with the locale's date and time separators.
std::string data_hora_atual() {
    const sys::LocalDateTime agora = sys::local_now();
    const std::string d = sys::date_separator();
    const std::string t = sys::time_separator();
    char ano[8];
    std::snprintf(ano, sizeof ano, "%04d", agora.year);
    return dois_digitos(agora.day) + d + dois_digitos(agora.month) + d + ano + " " +
           dois_digitos(agora.hour) + t + dois_digitos(agora.minute) + t +
           dois_digitos(agora.second);
}

} // namespace

void GerarLog(const Variant& sGravarLog, const Variant& sInstancia, const Variant& sMensagem,
              const Variant& sNomeLog, const Variant& sRotina, const Variant& bErro,
              const Variant& sAplicacao, const Variant& sDiretorioLog) {
    // Errors trapped: a step that fails is abandoned and the next one runs.
    Err err;
    Variant vGravarLog = sGravarLog;
    Variant vErro = bErro;
    std::string sNome, sRot, sApl, sDir, sArquivo, sCampoInstancia, sCampoAplicacao, sSeparador;
    std::optional<sys::OutputFile> arquivo;
    bool sair = false;

    // 1. bErro: False when left out or blank.
    err.attempt([&] {
        if (ausente(vErro))
            vErro = Variant(false);
    });
    // 2. An ordinary line is written only when asked for ("SIM" or True).
    err.attempt([&] {
        if (!vErro.to_bool()) {
            if (vGravarLog.type() == VarType::Boolean && vGravarLog.to_bool())
                vGravarLog = Variant("SIM");
            if (vGravarLog.is_null() || ucase(trim(vGravarLog.to_string())) != "SIM")
                sair = true;
        }
    });
    if (sair)
        return;
    // 3. Defaults of the file's base name, the application and the routine.
    err.attempt([&] { sNome = ausente(sNomeLog) ? sys::library_name() : sNomeLog.to_string(); });
    err.attempt([&] { sApl = ausente(sAplicacao) ? sys::library_name() : sAplicacao.to_string(); });
    err.attempt([&] { sRot = ausente(sRotina) ? "GerarLog" : sRotina.to_string(); });
    // 4. Routine field: at least 25 characters.
    err.attempt([&] { sRot = pad_right(sRot, std::max<std::size_t>(25, char_count(sRot))); });
    // 5. Folder: "log" beside the library's folder by default; a given ".." one is placed
    //    under the library's folder; always ending in the native separator. It is never
    //    created.
    err.attempt([&] {
        const std::string barra = sys::kSeparator;
        const bool bPadrao = ausente(sDiretorioLog);
        sDir = bPadrao ? sys::library_folder() : sDiretorioLog.to_string();
        sDir = trim(sDir);
        if (bPadrao) {
            sDir += (termina_com_barra(sDir) ? "" : barra) + ".." + barra + "log" + barra;
        } else {
            sDir = sys::native_local_path(sDir);
            if (sDir.substr(0, 2) == "..") {
                const std::string sPasta = sys::library_folder();
                sDir = sPasta + (termina_com_barra(sPasta) ? "" : barra) + sDir;
            }
            if (!termina_com_barra(sDir))
                sDir += barra;
        }
    });
    // 6. File number: the stream below is the file's own handle.
    // 7. File path: one file per base name and day of the week (1 = Sunday).
    err.attempt([&] { sArquivo = sDir + sNome + "_" + std::to_string(sys::weekday()) + ".log"; });
    // 8. A file last written before today starts afresh; one written today is appended to.
    err.attempt([&] {
        const auto modificado = sys::last_modified(sArquivo);
        const bool bAntigo = modificado && *modificado < sys::today_midnight();
        using P = sys::OutputFile::Placement;
        auto aberto = sys::OutputFile::create(sArquivo, bAntigo ? P::InPlace : P::Append);
        if (!aberto)
            sys::raise_io_error(aberto.error());
        arquivo.emplace(std::move(aberto.value()));
    });
    err.clear();
    // 9. Instance field: the library's name when blank; upper case; at least 32 characters.
    err.attempt([&] {
        std::string s = ausente(sInstancia) ? sys::library_name() : sInstancia.to_string();
        s = ucase(s);
        sCampoInstancia = pad_right(s, std::max<std::size_t>(32, char_count(s)));
    });
    // 10. Application field: upper case; at least 32 characters.
    err.attempt([&] {
        const std::string s = ucase(sApl);
        sCampoAplicacao = pad_right(s, std::max<std::size_t>(32, char_count(s)));
    });
    // 11. Separator: an error; else a message that is not blank; else nothing.
    err.attempt([&] {
        if (vErro.to_bool())
            sSeparador = " -> ERRO: ";
        else if (!trim(sMensagem.to_string()).empty())
            sSeparador = " -> ";
    });
    // 12. The line, in the locale's codeset, ended by CR LF.
    err.attempt([&] {
        if (!arquivo)
            return;
        const std::string sLinha = data_hora_atual() + " Instância: " + sCampoInstancia +
                                   " Aplicação: " + sCampoAplicacao + " Rotina: " + sRot +
                                   sSeparador + sMensagem.to_string() + " ";
        const std::string bytes = sys::to_locale_codeset(sLinha) + "\r\n";
        if (auto gravado = arquivo->write(bytes.data(), bytes.size()); !gravado)
            sys::raise_io_error(gravado.error());
        if (auto fechado = arquivo->commit(); !fechado)
            sys::raise_io_error(fechado.error());
    });
    err.clear();
}

} // namespace kvr
