#include "platform/base/lasterror.h"

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError() noexcept { return t_lastError; }
void SetLastError(DWORD code) noexcept { t_lastError = code; }
