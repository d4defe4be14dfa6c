// This program registers the platform's modules before its first test.
#include "tests/support/platform_modules.h"
