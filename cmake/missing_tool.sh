#!/bin/sh
# Stands in for a test that cannot run because something it needs was not
# found when the build was configured: CTest shows it as skipped (77), and
# as failed where the set-up installed everything (PRAVENOR_REQUIRE_TOOLS=1,
# as scripts/test sets).
# Usage: missing_tool.sh <what is missing> <how to get it>
echo "$1 is missing: $2"
if [ "${PRAVENOR_REQUIRE_TOOLS:-0}" = 1 ]; then exit 1; fi
exit 77
