#include "platform/system/locale.h"

namespace {
thread_local LCID t_threadLocale = 0;
}

LCID GetUserDefaultLCID() { return 0x0409; }
LCID GetSystemDefaultLCID() { return GetUserDefaultLCID(); }
LANGID GetUserDefaultLangID() { return LANGIDFROMLCID(GetUserDefaultLCID()); }
LANGID GetSystemDefaultLangID() { return LANGIDFROMLCID(GetSystemDefaultLCID()); }
LANGID GetUserDefaultUILanguage() { return GetUserDefaultLangID(); }
LCID GetThreadLocale() { return t_threadLocale ? t_threadLocale : GetUserDefaultLCID(); }
BOOL SetThreadLocale(LCID locale) {
  t_threadLocale = locale;
  return TRUE;
}
