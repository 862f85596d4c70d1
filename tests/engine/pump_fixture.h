// The common ground of the pump and task tests: the engine's state as
// before main, a destination and a temporary folder of their own, and no
// worker left running afterwards whatever the test did.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

#include "test_support.h"

namespace engine_testing {

class pump_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The pumps see one processor, or `n`, from now on.
    void one_processor() { processors(1); }
    void processors(int n);
    // Entries in the temporary folder.
    std::size_t files_in_temp() const;

    testing_support::scratch_dir dest_, temp_, cpu_;
};

}  // namespace engine_testing
