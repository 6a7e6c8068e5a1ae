// A test on the headless window layer: its record and its queue of user actions start empty.
#pragma once

#include "platform/ui/HeadlessBackend.h"

#include <gtest/gtest.h>

namespace kvr::test {

class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(ui::headless(), nullptr);
        ui().clear_events();
        ui().clear_queue();
    }
    static ui::HeadlessBackend& ui() { return *ui::headless(); }
};

} // namespace kvr::test
