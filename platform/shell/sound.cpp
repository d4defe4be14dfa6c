// PlaySound over SDL audio: one output device at a time, opened for the
// sound's own format; a new sound replaces the one playing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/base/clock.h"
#include "platform/base/lasterror.h"
#include "platform/base/utf.h"
#include "platform/shell/mmsystem.h"
#include "platform/window/sdl_library.h"

namespace {

using pv::Sdl;

struct State {
  std::mutex mu;
  std::vector<pv::sound::Request> requests;
  std::map<std::u16string, std::string> aliases;  // lower-case name -> file
  bool sdlTried = false;
  bool sdlOk = false;
  bool missingLibraryReported = false;
  SDL_AudioDeviceID device = 0;
};

// Never destroyed: a sound thread may still stop its sound while the
// process exits.
State& S() {
  static State* s = new State();
  return *s;
}

// SDL keeps state for every thread that calls it (its error text) and
// frees it by itself only for threads it made. A thread of ours that plays
// sounds frees it when it ends.
struct SdlThreadState {
  ~SdlThreadState() {
    if (const pv::SdlApi* sdl = Sdl()) sdl->TLSCleanup();
  }
};

void FreeSdlStateWithThread() {
  thread_local SdlThreadState state;
  (void)&state;
}

std::u16string Lower(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

// Paths written with backslashes (even doubled ones) become '/' paths.
std::string FilePath(std::u16string_view name) {
  std::string utf8 = pv::Utf16ToUtf8(name);
  std::string out;
  for (char c : utf8) {
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

bool EnsureAudio(State& s) {
  if (!s.sdlTried) {
    s.sdlTried = true;
    s.sdlOk = Sdl() && Sdl()->InitSubSystem(SDL_INIT_AUDIO) == 0;
  }
  return s.sdlOk;
}

void StopDevice(State& s) {
  if (s.device) {
    Sdl()->CloseAudioDevice(s.device);
    s.device = 0;
  }
}

bool Busy(State& s) { return s.device && Sdl()->GetQueuedAudioSize(s.device) > 0; }

// Sync sounds wait for their end on a real device; in tests (the dummy
// driver, or headless) nothing waits.
bool ShouldWait() {
  const char* h = std::getenv("PRAVENOR_HEADLESS");
  if (h && *h && std::strcmp(h, "0") != 0) return false;
  const char* drv = Sdl()->GetCurrentAudioDriver();
  return drv && std::strcmp(drv, "dummy") != 0;
}

}  // namespace

BOOL PlaySoundW(LPCWSTR sound, HMODULE, DWORD flags) {
  FreeSdlStateWithThread();
  State& s = S();
  std::unique_lock<std::mutex> lock(s.mu);
  pv::sound::Request r;
  r.flags = flags;
  r.tick = pv::Clock::TickCount64();
  if (!sound || (flags & SND_PURGE)) {
    r.stop = true;
    if (sound) r.name = sound;
    s.requests.push_back(r);
    StopDevice(s);
    return TRUE;
  }
  if ((flags & SND_RESOURCE) == SND_RESOURCE) {
    // Sounds from resources: none of our callers use them.
    s.requests.push_back(r);
    return FALSE;
  }
  // A whole WAV image in memory (a program's built-in sound): its length
  // is in its RIFF header.
  const bool inMemory = (flags & SND_MEMORY) != 0;
  const auto* image = reinterpret_cast<const unsigned char*>(sound);
  std::uint32_t imageBytes = 0;
  if (inMemory) {
    r.name = u"(memory)";
    if (std::memcmp(image, "RIFF", 4) == 0)
      imageBytes = 8 + (image[4] | image[5] << 8 | image[6] << 16 | static_cast<std::uint32_t>(image[7]) << 24);
  } else {
    r.name = sound;
  }
  auto alias = [&](std::u16string_view n) -> std::string {
    auto it = s.aliases.find(Lower(n));
    return it == s.aliases.end() ? std::string() : it->second;
  };
  const bool byAlias = (flags & SND_ALIAS) == SND_ALIAS;
  const bool byFile = (flags & SND_FILENAME) != 0;
  if (inMemory) r.file.clear();
  else if (byAlias && !byFile) r.file = alias(r.name);
  else if (byFile) r.file = FilePath(r.name);
  else {
    r.file = alias(r.name);
    if (r.file.empty()) r.file = FilePath(r.name);
  }

  Uint8* data = nullptr;
  Uint32 len = 0;
  SDL_AudioSpec spec{};
  bool audio = EnsureAudio(s);
  auto load = [&](const std::string& path) {
    if (path.empty() || !Sdl()) return false;
    // Decoding needs no audio device, only the library.
    return Sdl()->LoadWAV_RW(Sdl()->RWFromFile(path.c_str(), "rb"), 1, &spec, &data, &len) != nullptr;
  };
  bool ok = inMemory ? imageBytes > 8 && Sdl() &&
                           Sdl()->LoadWAV_RW(Sdl()->RWFromConstMem(image, static_cast<int>(imageBytes)), 1, &spec,
                                             &data, &len) != nullptr
                     : load(r.file);
  if (!ok && !(flags & SND_NODEFAULT)) {
    std::string def = alias(u"SystemDefault");
    if (load(def)) {
      r.file = def;
      ok = true;
    }
  }
  if (!ok) {
    s.requests.push_back(r);
    if (!Sdl()) {
      // Without the library no sound can play: said once, not per sound.
      if (!s.missingLibraryReported) std::fprintf(stderr, "no sound: %s\n", pv::SdlLoadError().c_str());
      s.missingLibraryReported = true;
      ::SetLastError(ERROR_MOD_NOT_FOUND);
    }
    return FALSE;  // quietly: a missing or broken file shows nothing
  }
  r.decoded = true;
  r.sampleRate = spec.freq;
  r.channels = spec.channels;
  r.bytes = len;
  s.requests.push_back(r);

  if ((flags & SND_NOSTOP) && Busy(s)) {
    Sdl()->FreeWAV(data);
    return FALSE;
  }
  StopDevice(s);
  BOOL played = FALSE;
  if (audio) {
    spec.samples = 1024;  // short buffers: quick to start and to stop
    s.device = Sdl()->OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (s.device) {
      Sdl()->QueueAudio(s.device, data, len);
      Sdl()->PauseAudioDevice(s.device, 0);
      played = TRUE;
    }
  }
  Sdl()->FreeWAV(data);
  if (played && !(flags & SND_ASYNC) && ShouldWait()) {
    SDL_AudioDeviceID dev = s.device;
    lock.unlock();
    while (Sdl()->GetQueuedAudioSize(dev) > 0) Sdl()->Delay(10);
  }
  return played;
}

BOOL sndPlaySoundW(LPCWSTR sound, UINT flags) { return PlaySoundW(sound, nullptr, flags); }

namespace pv::sound {

std::vector<Request> Requests() {
  std::lock_guard<std::mutex> lock(S().mu);
  return S().requests;
}

void ClearRequests() {
  std::lock_guard<std::mutex> lock(S().mu);
  S().requests.clear();
}

void SetAliasFile(std::u16string_view alias, std::string_view path) {
  std::lock_guard<std::mutex> lock(S().mu);
  if (path.empty()) S().aliases.erase(Lower(alias));
  else S().aliases[Lower(alias)] = std::string(path);
}

}  // namespace pv::sound
