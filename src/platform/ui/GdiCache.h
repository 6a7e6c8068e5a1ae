// The fonts and brushes the windows of one thread share, made on first use and kept until the
// thread's backend goes (Windows builds only).
#pragma once

#include "platform/ui/Control.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace kvr::ui {

class GdiCache {
  public:
    GdiCache() = default;
    ~GdiCache();
    GdiCache(const GdiCache&) = delete;
    GdiCache& operator=(const GdiCache&) = delete;

    // The font at its size, or `smaller` pixels shorter (a caption made to fit its label).
    HFONT font(const Font& f, int smaller = 0);
    HBRUSH brush(std::int32_t rgb_value);

  private:
    std::map<std::tuple<std::string, int, bool>, HFONT> m_fonts;
    std::map<std::int32_t, HBRUSH> m_brushes;
};

// Screen pixels from twips, at the screen's resolution.
int twips_per_pixel();
int pixels(int twips);

} // namespace kvr::ui
