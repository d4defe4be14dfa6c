// SDL2, opened when a display or a sound first needs it rather than linked
// into the program: with the sound, display and bus libraries it brings,
// loading and relocating it costs megabytes of resident memory and part of
// every start, and a headless run never starts it.
#pragma once

#include <SDL.h>
#include <SDL_shape.h>

#include <memory>
#include <string>

struct SDL_SysWMinfo;  // SDL_syswm.h brings Xlib's macros with it

namespace pv {

// The SDL calls the platform makes, each found by its own name. (SDL's
// SDL_BlitSurface and SDL_LoadWAV are macros over UpperBlit and
// LoadWAV_RW with RWFromFile.)
#define PV_SDL_FUNCTIONS(X)         \
  X(Init)                           \
  X(InitSubSystem)                  \
  X(QuitSubSystem)                  \
  X(GetCurrentVideoDriver)          \
  X(GetCurrentAudioDriver)          \
  X(SetHint)                        \
  X(GetHint)                        \
  X(ResetHint)                      \
  X(GetNumVideoDisplays)            \
  X(GetDisplayBounds)               \
  X(GetDisplayUsableBounds)         \
  X(CreateWindow)                   \
  X(CreateShapedWindow)             \
  X(DestroyWindow)                  \
  X(ShowWindow)                     \
  X(HideWindow)                     \
  X(RaiseWindow)                    \
  X(MinimizeWindow)                 \
  X(RestoreWindow)                  \
  X(GetWindowID)                    \
  X(GetWindowFlags)                 \
  X(GetWindowPosition)              \
  X(SetWindowPosition)              \
  X(GetWindowSize)                  \
  X(SetWindowSize)                  \
  X(SetWindowTitle)                 \
  X(SetWindowIcon)                  \
  X(SetWindowOpacity)               \
  X(SetWindowInputFocus)            \
  X(GetWindowSurface)               \
  X(UpdateWindowSurface)            \
  X(IsShapedWindow)                 \
  X(SetWindowShape)                 \
  X(GetShapedWindowMode)            \
  X(GetKeyboardFocus)               \
  X(GetGlobalMouseState)            \
  X(WarpMouseGlobal)                \
  X(CreateSystemCursor)             \
  X(SetCursor)                      \
  X(FreeCursor)                     \
  X(StartTextInput)                 \
  X(SetTextInputRect)               \
  X(RegisterEvents)                 \
  X(PushEvent)                      \
  X(PollEvent)                      \
  X(WaitEventTimeout)               \
  X(PumpEvents)                     \
  X(HasClipboardText)               \
  X(GetClipboardText)               \
  X(SetClipboardText)               \
  X(ShowMessageBox)                 \
  X(CreateRGBSurfaceWithFormat)     \
  X(CreateRGBSurfaceWithFormatFrom) \
  X(FreeSurface)                    \
  X(LockSurface)                    \
  X(UnlockSurface)                  \
  X(SetSurfaceBlendMode)            \
  X(UpperBlit)                      \
  X(GetRGB)                         \
  X(GetRGBA)                        \
  X(OpenAudioDevice)                \
  X(CloseAudioDevice)               \
  X(PauseAudioDevice)               \
  X(QueueAudio)                     \
  X(GetQueuedAudioSize)             \
  X(RWFromFile)                     \
  X(RWFromConstMem)                 \
  X(LoadWAV_RW)                     \
  X(FreeWAV)                        \
  X(Delay)                          \
  X(TLSCleanup)                     \
  X(free)                           \
  X(strdup)                         \
  X(strlcpy)

struct SdlApi {
#define PV_SDL_MEMBER(name) decltype(&::SDL_##name) name = nullptr;
  PV_SDL_FUNCTIONS(PV_SDL_MEMBER)
#undef PV_SDL_MEMBER
  SDL_bool(SDLCALL* GetWindowWMInfo)(SDL_Window* window, SDL_SysWMinfo* info) = nullptr;
};

// Opens `library` and finds every call above in it. Null when the library
// cannot be opened or lacks one of them; `error` then says which.
std::unique_ptr<SdlApi> LoadSdlApi(const char* library, std::string* error);

// SDL2, opened once by whichever thread asks first. Null when it cannot be
// loaded: callers then go without a display or sound, and SdlLoadError()
// says why.
const SdlApi* Sdl();
const std::string& SdlLoadError();

}  // namespace pv

namespace pv::test {
// The library the first Sdl() opens (tests: a name that cannot be loaded).
void UseSdlLibrary(const char* name);
}  // namespace pv::test
