// What the window's download and upload share: their failure result, the rate's text, how
// often the panel is drawn, and the Open/Save dialog's answer.
#pragma once

#include "platform/automation/Variant.h"

#include <string>

namespace kvr::resultado {

// The panel's texts are drawn at most this often (seconds of the Timer); the numbers behind
// them follow every chunk or turn, and the last values are always drawn when the loop ends.
constexpr float kIntervaloDesenho = 0.05f;

// ("0", message): every failure of the window's routines.
inline Variant falha(const std::string& mensagem) {
    return Variant::array({"0", mensagem});
}

// A rate with the picture "###0.00", then " Kbps".
inline std::string kbps(double taxa) {
    return format_number(taxa, 2) + " Kbps";
}

// The dialog answered False (or nothing): the user cancelled.
inline bool cancelado(const Variant& escolha) {
    return escolha.is_empty() || (escolha.type() == VarType::Boolean && !escolha.to_bool());
}

} // namespace kvr::resultado
