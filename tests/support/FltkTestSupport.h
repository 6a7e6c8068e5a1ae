// A test whose windows are real FLTK windows on the display fixture's Xvfb; skipped when no
// display answers. The previous backend comes back afterwards.
#pragma once

#include "platform/ui/Backend.h"
#include "platform/ui/fltk/FltkBackend.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace kvr::test {

class FltkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto env = server_env("display");
        if (env.count("DISPLAY"))
            setenv("DISPLAY", env["DISPLAY"].c_str(), 1);
        if (!ui::display_available())
            GTEST_SKIP() << "no X display (the display fixture starts Xvfb)";
        m_previous = ui::set_backend(ui::make_fltk_backend());
    }
    void TearDown() override {
        if (m_previous)
            ui::set_backend(std::move(m_previous));
    }
    std::unique_ptr<ui::Backend> m_previous;
};

} // namespace kvr::test
