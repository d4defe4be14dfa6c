// The one reset of process-wide state between tests: a clean desktop (the
// window manager's windows, queues, timers, hooks, input state, clipboard and
// screen), the system colours, the shell's recorders (tray, task bar, opened
// documents, sounds) and settings kept in a temporary folder (the registry
// forgotten when the folder comes and goes). Fixtures call these instead of resetting the libraries
// themselves, so that a new piece of shared state is reset in one place.
//
// The functions are inline: a test program that never calls one needs none
// of the libraries it names.
#pragma once

#include "platform/gdi/syscolors.h"
#include "platform/shell/mmsystem.h"
#include "platform/shell/shellapi.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"
#include "platform/window/test_input.h"
#include "tests/support/temp_home.h"

namespace pvtest {

// Destroys every window of the calling thread and puts the window manager
// back as a fresh program finds it (1280 x 1024 screen, no timers, hooks,
// capture, focus or clipboard data).
inline void ResetDesktop() { pv::test::ResetWindowManager(); }

// GDI's system colours back to the classic scheme.
inline void ResetColors() { GdiInstallSysColorScheme(nullptr); }

// A colour scheme for a scope (31 colours; none leaves the colours as they
// are, for a test that changes single ones): the classic scheme comes back
// when the scope ends, however the test ends.
class ColorSchemeScope {
 public:
  explicit ColorSchemeScope(const COLORREF* colors31 = nullptr) {
    if (colors31) GdiInstallSysColorScheme(colors31);
  }
  ~ColorSchemeScope() { ResetColors(); }
  ColorSchemeScope(const ColorSchemeScope&) = delete;
  ColorSchemeScope& operator=(const ColorSchemeScope&) = delete;
};

// The shell as headless runs have it: recording, an empty tray that accepts
// icons, the task bar at the bottom of the work area, no documents opened and
// no sounds asked for.
inline void ResetShell() {
  pv::shell::SetRecording(true);
  pv::shell::ResetTray();
  pv::shell::UseWorkAreaTaskbar();
  pv::shell::ClearShellExecuteCalls();
  pv::sound::ClearRequests();
}

// Writes what waits (to the files it was meant for), then forgets the
// registry's and the INI files' cached keys and open handles, so that the
// next use reads the files under the current XDG_CONFIG_HOME.
inline void ResetSettings() {
  pv::FlushRegistry();
  pv::ResetRegistryForTests();
  pv::ResetProfilesForTests();
}

// Settings (the registry file, INI files named without a folder) kept under
// `folder` while the scope lasts; the registry is forgotten on entry and exit.
class SettingsFolder {
 public:
  explicit SettingsFolder(const std::string& folder) : config_("XDG_CONFIG_HOME", folder) { ResetSettings(); }
  ~SettingsFolder() { ResetSettings(); }
  SettingsFolder(const SettingsFolder&) = delete;
  SettingsFolder& operator=(const SettingsFolder&) = delete;

 private:
  EnvScope config_;
};

// A temporary home (temp_home.h) whose registry is the one in use while the
// scope lasts: the registry is forgotten once the home's folders are set and
// again before they come back, so nothing written here reaches another test.
class SettingsHome {
 public:
  explicit SettingsHome(const char* prefix = "pv-settings") : home_(prefix) { ResetSettings(); }
  ~SettingsHome() { ResetSettings(); }
  SettingsHome(const SettingsHome&) = delete;
  SettingsHome& operator=(const SettingsHome&) = delete;

  const TempHome& home() const { return home_; }
  const std::string& path() const { return home_.path(); }
  std::string File(const std::string& name) const { return home_.File(name); }
  std::string ConfigDir() const { return home_.ConfigDir(); }

 private:
  TempHome home_;
};

}  // namespace pvtest
