// Services the toolkit asks of the system instead of calling it directly.
#pragma once

#include "platform/base/wintypes.h"

class CWinThread;

// The framework's thread object of the calling thread, else the application.
CWinThread* GetCurrentWinThread();

// Makes sure "user32" answers GetModuleHandle and offers the entry points the
// toolkit looks up by name (monitors, metrics, WinEvents, layered windows), pointing at the
// window layer's functions. Runs once; later changes to the exports (tests
// removing one) are kept.
void TKEnsureUser32Module();
