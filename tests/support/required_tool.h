// Tests that need an outside program (a message bus daemon, a PDF reader, a
// virtual display) skip when it is missing on a developer's machine, but
// fail where the set-up installed it: scripts/test runs the set-up and then
// sets PRAVENOR_REQUIRE_TOOLS=1, so CI never passes by skipping.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace pvtest {
inline bool ToolsRequired() {
  const char* v = std::getenv("PRAVENOR_REQUIRE_TOOLS");
  return v && std::strcmp(v, "1") == 0;
}
}  // namespace pvtest

// Ends the current test (or SetUp) as skipped, or as failed when tools are required.
#define PV_MISSING_TOOL(what)                                                              \
  do {                                                                                     \
    if (pvtest::ToolsRequired()) GTEST_FAIL() << (what) << " (scripts/setup installs it)"; \
    GTEST_SKIP() << (what);                                                                \
  } while (0)
