#include "tests/platform/gdi/canvas.h"
