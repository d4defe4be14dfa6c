// Whether windows stay off a display because its library could not be
// loaded (SDL2, opened on first use; see sdl_library.h). Kept apart from
// sdl_library.h so that callers need none of SDL's headers.
#pragma once

namespace pv {

// True once the display back end was asked for on a display and SDL2 could
// not be loaded (the reason went to stderr). Never opens the library.
bool DisplayLibraryMissing();

}  // namespace pv
