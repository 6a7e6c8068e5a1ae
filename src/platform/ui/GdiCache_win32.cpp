#include "platform/ui/GdiCache.h"

#include "platform/sys/WideText.h"

#include <cmath>

namespace kvr::ui {

namespace {
int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}
} // namespace

int twips_per_pixel() {
    static const int tpp = 1440 / screen_dpi();
    return tpp;
}

int pixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / twips_per_pixel()));
}

GdiCache::~GdiCache() {
    for (auto& [key, font] : m_fonts)
        DeleteObject(font);
    for (auto& [key, brush] : m_brushes)
        DeleteObject(brush);
}

HFONT GdiCache::font(const Font& f, int smaller) {
    // A character height in points, as the legacy toolkit gave font sizes.
    const int pixel_height =
        static_cast<int>(std::lround(f.size * 1440.0 / 72.0 / twips_per_pixel())) - smaller;
    auto key = std::make_tuple(f.name, pixel_height, f.bold);
    auto it = m_fonts.find(key);
    if (it != m_fonts.end())
        return it->second;
    const int height = -pixel_height;
    HFONT font =
        CreateFontW(height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, sys::widen(f.name).c_str());
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return m_fonts[key] = font;
}

HBRUSH GdiCache::brush(std::int32_t rgb_value) {
    auto it = m_brushes.find(rgb_value);
    if (it != m_brushes.end())
        return it->second;
    // The legacy RGB() and a COLORREF keep red in the low byte alike.
    return m_brushes[rgb_value] = CreateSolidBrush(static_cast<COLORREF>(rgb_value) & 0xFFFFFF);
}

} // namespace kvr::ui
