// Registers the platform's built-in modules before a test program's first
// test, as the program does at start (pv::RegisterPlatformModules), so that
// process-wide objects that look a module up by name on first use (the draw
// helpers' "msimg32", the markup's "GdiPlus", "RICHED20") find it whichever
// test runs first. Included by one source file of each program above the
// platform services.
#pragma once

#include <gtest/gtest.h>

#include "platform/shell/platform_modules.h"

namespace pvtest {

class PlatformModulesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { pv::RegisterPlatformModules(); }
};

inline ::testing::Environment* const kPlatformModulesEnvironment =
    ::testing::AddGlobalTestEnvironment(new PlatformModulesEnvironment);

}  // namespace pvtest
