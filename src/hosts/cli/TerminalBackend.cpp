#include "hosts/cli/TerminalBackend.h"

#include "platform/ui/Control.h"
#include "platform/ui/Form.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <ostream>

namespace kvr::cli {

namespace {

constexpr const char* kProgressForm = "frmKVRProgress";
constexpr auto kRefreshInterval = std::chrono::milliseconds(100);

bool is_progress_form(const ui::Form* form) {
    return form && form->name() == kProgressForm;
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
    if (!is_progress_form(form))
        return;
    const std::string key = control.name() + "." + property;
    m_values[key] = value;
    if (key == "FrameUp.Visible" || key == "FrameDown.Visible")
        m_upload = (control.name() == "FrameUp") == value.to_bool();
    // Drawn when the routine lets messages through, once all its labels agree.
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
    if (is_progress_form(&form))
        m_values.clear();
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
    // The window waits for its close button: the person at the terminal presses Enter.
    if (ui::Control* button = reachable_close_button()) {
        end_line();
        m_out << "Transfer finished; press Enter to close the progress window." << std::flush;
        std::string answer;
        std::getline(m_in, answer);
        if (!m_in)
            m_out << "\n";
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

std::optional<std::string> TerminalBackend::file_dialog(const ui::FileDialogRequest& request) {
    end_line();
    m_out << (request.save ? "Save as" : "Open");
    if (std::string kinds = filter_descriptions(request.filter); !kinds.empty())
        m_out << " (" << kinds << ")";
    if (!request.file_name.empty())
        m_out << " [" << request.file_name << "]";
    m_out << " - path, or empty to cancel: " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) {
        m_out << "\n";
        return std::nullopt;
    }
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    answer = trim(answer);
    if (answer.empty())
        return std::nullopt;
    return answer;
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

std::string TerminalBackend::value(const std::string& control) const {
    auto it = m_values.find(control + ".Caption");
    if (it == m_values.end())
        return {};
    try {
        return it->second.to_string();
    } catch (...) {
        return {};
    }
}

std::string TerminalBackend::progress_line() const {
    const std::string bar = m_upload ? "ProgressBarUp" : "ProgressBar1";
    double max = 100, now = 0;
    if (auto it = m_values.find(bar + ".Max"); it != m_values.end())
        max = it->second.number();
    if (auto it = m_values.find(bar + ".Value"); it != m_values.end())
        now = it->second.number();
    const long percent = max > 0 ? std::lround(std::clamp(now / max, 0.0, 1.0) * 100) : 0;
    const std::string pct = std::to_string(percent) + "%";

    if (m_upload) {
        // At the end the rate label shows the outcome instead.
        return value("lblArquivoUp") + "  " + pct + " of " + value("lblBytesTotUp") + "  " +
               value("lblBytesTaxUp") + "  " + value("lblTempoDecUp") + " elapsed";
    }
    std::string line = value("lblArquivo") + "  " + value("lblBytesRec") + " of " +
                       value("lblBytesTot") + " (" + pct + ")  " + value("lblBytesTax") + "  " +
                       value("lblTempoDec") + " elapsed, " + value("lblTempoRest");
    // While running the last label is the time left; at the end it is the outcome.
    if (value("lblRest") == "Restante:")
        line += " left";
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
    std::string line = progress_line();
    const std::size_t width = char_count(line);
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
