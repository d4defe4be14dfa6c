// The basic types are header-only; this unit keeps the library non-empty
// and checks the widths the stored formats rely on.
#include "platform/base/wintypes.h"

static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(WORD) == 2);
static_assert(sizeof(WCHAR) == 2 && sizeof(TCHAR) == 2);
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*));
static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8 && sizeof(SIZE) == 8);
