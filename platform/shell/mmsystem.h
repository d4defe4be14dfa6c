// Sound: PlaySound/sndPlaySound for WAV files and the system's named sounds,
// played through SDL audio. Every request is recorded (what, how, when) so
// tests can see it; a file that is missing or not a readable WAV fails
// quietly (FALSE, nothing shown).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"

constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_MEMORY = 0x0004;
constexpr DWORD SND_LOOP = 0x0008;
constexpr DWORD SND_NOSTOP = 0x0010;
constexpr DWORD SND_PURGE = 0x0040;
constexpr DWORD SND_APPLICATION = 0x0080;
constexpr DWORD SND_NOWAIT = 0x00002000;
constexpr DWORD SND_ALIAS = 0x00010000;
constexpr DWORD SND_FILENAME = 0x00020000;
constexpr DWORD SND_RESOURCE = 0x00040004;
constexpr DWORD SND_ALIAS_ID = 0x00110000;

// `sound` null stops what is playing. Without SND_ALIAS or SND_FILENAME the
// name is tried as a system sound first, then as a file. Without
// SND_NODEFAULT a sound that cannot be found falls back to "SystemDefault".
// With SND_MEMORY `sound` points to a whole WAV image (its RIFF header
// first), as a program's built-in sound.
BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);
inline BOOL PlaySound(LPCWSTR sound, HMODULE module, DWORD flags) { return PlaySoundW(sound, module, flags); }
BOOL sndPlaySoundW(LPCWSTR sound, UINT flags);
inline BOOL sndPlaySound(LPCWSTR sound, UINT flags) { return sndPlaySoundW(sound, flags); }

namespace pv::sound {

struct Request {
  std::u16string name;  // as asked (empty for a stop)
  DWORD flags = 0;
  std::uint64_t tick = 0;  // the clock's tick count when asked
  bool stop = false;       // a stop request (null name or SND_PURGE)
  std::string file;        // the WAV file it resolved to ("" when none)
  bool decoded = false;    // the file was read as a WAV
  int sampleRate = 0;      // of the decoded sound
  int channels = 0;
  std::uint32_t bytes = 0;  // decoded audio bytes
};

std::vector<Request> Requests();
void ClearRequests();
// Maps a system sound name ("MenuCommand", "MenuPopup", "SystemDefault" ...)
// to a WAV file; an empty path removes it. None is mapped by default.
void SetAliasFile(std::u16string_view alias, std::string_view path);

}  // namespace pv::sound
