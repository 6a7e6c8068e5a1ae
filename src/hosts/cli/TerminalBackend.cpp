#include "hosts/cli/TerminalBackend.h"

#include "hosts/cli/CliSupport.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Control.h"
#include "platform/ui/Form.h"
#include "transfer/frmKVRProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <istream>
#include <ostream>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace kvr::cli {

namespace {

constexpr const char* kProgressForm = "frmKVRProgress";
constexpr auto kRefreshInterval = std::chrono::milliseconds(100);
constexpr std::size_t kDefaultColumns = 80;

bool is_progress_form(const ui::Form* form) {
    return form && form->name() == kProgressForm;
}

// The terminal's width: the terminal itself, else COLUMNS, else 80.
std::size_t terminal_columns() {
    winsize ws{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    if (const char* env = std::getenv("COLUMNS")) {
        char* end = nullptr;
        const long n = std::strtol(env, &end, 10);
        if (end && *end == '\0' && n > 0)
            return static_cast<std::size_t>(n);
    }
    return kDefaultColumns;
}

// The columns one character of a UTF-8 text takes on the terminal: two for a wide one, none
// for a combining one, one when the locale cannot tell.
std::size_t char_columns(const std::string& s, std::size_t at, std::size_t bytes) {
    wchar_t wc = 0;
    std::mbstate_t state{};
    if (std::mbrtowc(&wc, s.data() + at, bytes, &state) != bytes)
        return 1;
    const int width = ::wcwidth(wc);
    return width < 0 ? 1 : static_cast<std::size_t>(width);
}

// The longest start of a UTF-8 text that takes at most `n` columns, and its columns.
std::string first_columns(const std::string& s, std::size_t n, std::size_t* taken = nullptr) {
    std::size_t i = 0, columns = 0;
    while (i < s.size()) {
        std::size_t end = i + 1;
        while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
            ++end;
        const std::size_t width = char_columns(s, i, end - i);
        if (columns + width > n)
            break;
        columns += width;
        i = end;
    }
    if (taken)
        *taken = columns;
    return s.substr(0, i);
}

std::size_t columns_of(const std::string& s) {
    std::size_t columns = 0;
    first_columns(s, s.size() * 2, &columns);
    return columns;
}

// "Texto (*.txt)|*.txt|Todos (*.*)|*.*" -> "Texto (*.txt), Todos (*.*)": the descriptions.
std::string filter_descriptions(const std::string& filter) {
    std::string out;
    std::size_t start = 0;
    for (int part = 0; start <= filter.size(); ++part) {
        std::size_t bar = filter.find('|', start);
        std::string piece = filter.substr(start, bar == std::string::npos ? bar : bar - start);
        if (part % 2 == 0 && !trim(piece).empty())
            out += (out.empty() ? "" : ", ") + piece;
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return out;
}

} // namespace

TerminalBackend::TerminalBackend(std::ostream& out, std::istream& in) : m_out(out), m_in(in) {}

void TerminalBackend::property_changed(const ui::Control& control, const char* property,
                                       const Variant& value) {
    m_inner.property_changed(control, property, value);
    ui::Form* form = control.form();
    if (form && std::find(m_forms.begin(), m_forms.end(), form) == m_forms.end())
        m_forms.push_back(form);
    // Drawn when the routine lets messages through, once all its labels agree.
    if (is_progress_form(form))
        m_dirty = true;
}

void TerminalBackend::show_modal(ui::Form& form) {
    const bool panel = m_show_progress && is_progress_form(&form);
    if (panel) {
        m_rendering = true;
        render(true);
    }
    try {
        m_inner.show_modal(form);
    } catch (...) {
        end_line();
        throw;
    }
    end_line();
}

void TerminalBackend::show(ui::Form& form) {
    m_inner.show(form);
}

void TerminalBackend::form_unloaded(ui::Form& form) {
    m_inner.form_unloaded(form);
    m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), &form), m_forms.end());
}

void TerminalBackend::pump() {
    m_inner.pump();
    if (m_dirty)
        render(false);
}

void TerminalBackend::wait_until(const std::function<bool()>& done) {
    if (done())
        return;
    m_inner.pump();
    if (done())
        return;
    // The window waits for its close button: the person at the terminal presses Enter;
    // with nobody at the terminal the button is pressed at once.
    if (ui::Control* button = reachable_close_button()) {
        end_line();
        if (stdin_is_terminal()) {
            m_out << "Tecle Enter para fechar a janela de progresso." << std::flush;
            std::string answer;
            if (!terminal_input_ready() || !std::getline(m_in, answer))
                m_out << "\n";
            m_in.clear();
        }
        button->click();
        if (done())
            return;
    }
    m_inner.wait_until(done);
}

void TerminalBackend::message_box(const std::string& prompt) {
    m_inner.message_box(prompt);
    end_line();
    m_out << "kvrupload: " << prompt << std::endl;
}

std::optional<std::string> TerminalBackend::ask(const std::string& prompt) {
    m_out << prompt << std::flush;
    std::string answer;
    if (!terminal_input_ready() || !std::getline(m_in, answer)) {
        m_out << "\n";
        return std::nullopt;
    }
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return trim(answer);
}

// The Save dialog's own question before an existing file is chosen; yes only when the
// person says so.
bool TerminalBackend::confirm_overwrite(const std::string& path) {
    auto answer = ask(path + " já existe. Deseja substituí-lo? (s/N) ");
    return answer && !answer->empty() && (answer->front() == 's' || answer->front() == 'S');
}

std::optional<std::string> TerminalBackend::file_dialog(const ui::FileDialogRequest& request) {
    end_line();
    std::string prompt =
        request.title.empty() ? (request.save ? "Salvar Como" : "Abrir") : request.title;
    if (std::string kinds = filter_descriptions(request.filter); !kinds.empty())
        prompt += " (" + kinds + ")";
    if (!request.file_name.empty())
        prompt += " [" + request.file_name + "]";
    prompt += " - caminho do arquivo, ou vazio para cancelar: ";
    for (;;) {
        auto answer = ask(prompt);
        if (!answer || answer->empty())
            return std::nullopt;
        // A dialog answers with a full path.
        std::error_code ec;
        std::string path = std::filesystem::absolute(*answer, ec).string();
        if (ec)
            path = *answer;
        const bool asks = request.save && (request.flags & ui::cdlOFNOverwritePrompt) != 0;
        if (!asks || !std::filesystem::exists(path, ec) || confirm_overwrite(path))
            return path;
        // "No": the person chooses again.
    }
}

int TerminalBackend::screen_width() const {
    return m_inner.screen_width();
}
int TerminalBackend::screen_height() const {
    return m_inner.screen_height();
}
void TerminalBackend::set_mouse_pointer(int pointer) {
    m_inner.set_mouse_pointer(pointer);
}

ui::Form* TerminalBackend::progress_form() const {
    for (ui::Form* form : m_forms)
        if (is_progress_form(form))
            return form;
    return nullptr;
}

std::string TerminalBackend::caption(const std::string& control) const {
    ui::Form* form = progress_form();
    if (!form)
        return {};
    try {
        return form->control(control).caption();
    } catch (...) {
        return {};
    }
}

std::string TerminalBackend::progress_line(std::size_t columns) const {
    ui::Form* form = progress_form();
    if (!form)
        return {};
    bool upload = false;
    float max = 100, now = 0;
    try {
        upload = form->control("FrameUp").visible();
        const ui::Control& bar = form->control(upload ? "ProgressBarUp" : "ProgressBar1");
        max = bar.max();
        now = bar.value();
    } catch (...) {
    }
    const long percent =
        max > 0 ? std::lround(std::clamp(static_cast<double>(now) / max, 0.0, 1.0) * 100) : 0;
    const std::string pct = " (" + std::to_string(percent) + "%)";

    // The name, then the panel's captions with their values; the rate label shows the
    // outcome at the end of an upload, the time-left label at the end of a download. The
    // outcome stays last.
    std::string name = caption(upload ? "lblArquivoUp" : "lblArquivo");
    std::vector<std::string> parts; // the amount first, the outcome last
    if (upload) {
        parts = {"Enviados: " + frmKVRProgress::FormatarTamanho(now) + " de " +
                     caption("lblBytesTotUp") + pct,
                 caption("lblTempoDesc") + " " + caption("lblTempoDecUp"),
                 caption("lblTaxUp") + " " + caption("lblBytesTaxUp")};
    } else {
        parts = {caption("Label3") + " " + caption("lblBytesRec") + " de " +
                     caption("lblBytesTot") + pct,
                 caption("Label4") + " " + caption("lblBytesTax"),
                 caption("Label7") + " " + caption("lblTempoDec"),
                 caption("lblRest") + " " + caption("lblTempoRest")};
    }
    const auto joined = [&] {
        std::string line;
        for (const auto& part : parts)
            line += "  " + part;
        return line;
    };
    // Never as wide as the terminal (the cursor would wrap). What gives way, in order: the
    // file's name down to a few characters, the middle parts, the rest of the name.
    const std::size_t room = columns > 1 ? columns - 1 : 0;
    const auto shorten_name = [&](std::size_t least) {
        const std::size_t rest = columns_of(joined());
        const std::size_t keep = room > rest ? std::max(room - rest, least) : least;
        if (columns_of(name) > keep)
            name = keep >= 2 ? first_columns(name, keep - 1) + "…" : std::string();
    };
    constexpr std::size_t kShortestName = 12;
    shorten_name(kShortestName);
    while (columns_of(name) + columns_of(joined()) > room && parts.size() > 2)
        parts.erase(parts.begin() + 1);
    shorten_name(0);
    std::string line = name.empty() ? joined().substr(2) : name + joined();
    if (columns_of(line) > room)
        line = first_columns(line, room);
    return line;
}

void TerminalBackend::render(bool force) {
    if (!m_rendering)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_last_render < kRefreshInterval)
        return;
    m_last_render = now;
    m_dirty = false;
    std::string line = progress_line(terminal_columns());
    const std::size_t width = columns_of(line);
    // Blanks over what is left of a longer previous line.
    if (width < m_line_width)
        line.append(m_line_width - width, ' ');
    m_line_width = width;
    m_out << '\r' << line << std::flush;
}

void TerminalBackend::end_line() {
    if (!m_rendering)
        return;
    render(true);
    m_out << std::endl;
    m_rendering = false;
    m_line_width = 0;
}

ui::Control* TerminalBackend::reachable_close_button() const {
    for (ui::Form* form : m_forms) {
        if (!is_progress_form(form))
            continue;
        for (const auto& c : form->controls())
            if ((c->name() == "cmdFechar" || c->name() == "cmdFecharUp") && c->reachable())
                return c.get();
    }
    return nullptr;
}

} // namespace kvr::cli
