// Starts the library's units once for a whole test program, as the program's
// main does, and finalises them at its end.
#pragma once

#include "kcl/KCLUnits.h"

#include <gtest/gtest.h>

namespace testsupport {

class KCLUnitsEnvironment : public ::testing::Environment {
public:
    void SetUp() override { KCLInitializeUnits(); }
    void TearDown() override { KCLFinalizeUnits(); }
};

inline ::testing::Environment *const kclUnitsEnvironment =
    ::testing::AddGlobalTestEnvironment(new KCLUnitsEnvironment);

} // namespace testsupport
