// PNG images as framework bitmaps: PNG data from a file, a resource or any
// framework file object becomes a top-down 32-bit DIB section (blue, green,
// red, alpha bytes; alpha 0 for images without an alpha channel, straight
// colour, not premultiplied).
#pragma once

#include "platform/framework/afxgdi.h"

class CFile;

class CTKGraphicBitmapPng : public CBitmap {
 public:
  CTKGraphicBitmapPng() = default;

  // Each load drops the bitmap held before and clears the alpha flag; on
  // failure nothing is held.
  BOOL LoadFromFile(LPCTSTR path);
  // FALSE for a null resource, one that does not load, or one under 10 bytes.
  BOOL LoadFromResource(HMODULE module, HRSRC resource);
  BOOL LoadFromCFile(CFile* file);

  // TRUE when the decoded image had four channels.
  BOOL IsAlpha() const { return m_bAlpha; }

  BOOL m_bAlpha = FALSE;

  // Images whose decoded pixels would exceed this many bytes are refused
  // before anything is allocated for them.
  static constexpr size_t kMaxDecodedBytes = 64u << 20;
};
