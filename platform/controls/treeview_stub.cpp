#include "platform/controls/ctl_internal.h"
namespace pv::controls {
LRESULT CALLBACK TreeProc(HWND h, UINT m, WPARAM w, LPARAM l) { return ::DefWindowProc(h, m, w, l); }
}
