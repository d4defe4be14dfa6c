// What the window manager needs from GDI to give windows their device
// contexts; not for application code.
//
// A top-level window owns a 32-bit backing DIB section (CreateDIBSection,
// top-down). Every DC of the window or of one of its children draws into
// that bitmap: the window manager creates the DC with GdiCreateSurfaceDC,
// places the window's origin with GdiSetSystemOrigin/GdiSetSystemSize and
// restricts drawing to the visible part with GdiSetSystemClip. The caller's
// own mapping (viewport/window origins, clip regions, layout) sits on top.
#pragma once

#include <cstdint>

#include "platform/gdi/wingdi.h"

// A DC drawing into `backingDib` (a 32-bit DIB section). The DC does not own
// the bitmap; DeleteDC releases only the DC. Null when the handle is not a
// 32-bit DIB.
HDC GdiCreateSurfaceDC(HBITMAP backingDib);
// Points the DC at another backing bitmap (a window resized its backing
// store) keeping the DC's state; false on a bad handle.
bool GdiSetSurfaceBitmap(HDC hdc, HBITMAP backingDib);

// Where device (0,0) of the DC lies in the backing bitmap. Added to every
// device coordinate after the caller's viewport/window mapping and layout.
void GdiSetSystemOrigin(HDC hdc, int x, int y);
void GdiGetSystemOrigin(HDC hdc, int* x, int* y);
// The size of the DC's drawing surface in device units (the window or client
// area): the width right-to-left layouts mirror about, the rectangle
// GetClipBox answers with when nothing else clips, HORZRES/VERTRES.
// Defaults to the bitmap size.
void GdiSetSystemSize(HDC hdc, int cx, int cy);
// The visible region in backing-bitmap coordinates (children and siblings
// excluded, the update region during painting). Copied; null removes it.
// Whatever clip the caller selects is intersected with it.
void GdiSetSystemClip(HDC hdc, HRGN rgnInBitmapCoords);
// Puts the DC back into its freshly-created state (stock objects, default
// attributes, no caller clip, MM_TEXT, layout 0) keeping the surface, system
// origin, size and clip: for reusing cached window DCs.
void GdiResetDC(HDC hdc);

// Raw access to the pixels of a 32-bit bitmap: `bits` is the top image row,
// rows follow at `strideBytes` (negative for a bottom-up DIB section);
// native-endian premultiplied 0xAARRGGBB. Pending drawing is flushed first.
// False for other handles or formats.
bool GdiGetDibPixels(HBITMAP bmp, uint32_t** bits, int* width, int* height, int* strideBytes);
// Tell GDI that the caller changed the pixels behind its back.
void GdiMarkDirty(HBITMAP bmp);
// The bitmap currently selected into (or drawn on by) a DC; null for a
// printer DC.
HBITMAP GdiGetDCBitmap(HDC hdc);

// PNG output of a bitmap or of a DC's surface (the whole bitmap behind it).
// False with errno-like detail in GdiLastError() on failure.
bool GdiSavePng(HBITMAP bmp, const char* path);
bool GdiSavePng(HDC hdc, const char* path);
const char* GdiLastError();

// The rectangles of a region, sorted top-to-bottom then left-to-right, bands
// not overlapping; count returned. Cheaper than GetRegionData for callers
// that walk a region.
int GdiGetRegionRects(HRGN rgn, RECT* out, int maxCount);

// The screen as a DC (what GetDC(NULL) answers): before anything reads from
// it (a blit with it as the source, GetPixel), the part read is filled by the
// reader the window manager registered, with what the screen shows there.
// Drawing on it changes nothing anybody sees, and a later read replaces it.
// The reader fills `area` (screen coordinates) into `bits`, the pixel of the
// area's top-left corner, rows `strideBytes` apart, premultiplied 0xAARRGGBB.
using GdiScreenReader = void (*)(const RECT& area, uint32_t* bits, int strideBytes);
void GdiSetScreenReader(GdiScreenReader reader);
// A DC over the virtual screen (device (0,0) is screen (0,0), so a monitor
// left of the primary one has negative device x) whose own bitmap is made
// when it is first read or drawn on. `primarySize`: what HORZRES/VERTRES and
// the clip box report.
HDC GdiCreateScreenReadDC(const RECT& virtualScreen, SIZE primarySize);

// Size of the screen DC (the desktop) and of HORZRES/VERTRES of screen DCs.
void GdiSetScreenSize(int cx, int cy);
void GdiGetScreenSize(int* cx, int* cy);
