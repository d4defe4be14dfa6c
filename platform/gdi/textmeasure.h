// Measuring many texts in one font at once: what a control that lays out
// thousands of labels needs, without a DC lookup and a lock per label.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/gdi/wingdi.h"

namespace pv::gdi {

// Gives the text at `index`; `context` is the caller's. It runs under the
// drawing lock: it may read memory and call drawing functions, but must not
// send messages or wait for another thread.
using TextByIndex = std::u16string_view (*)(const void* context, std::size_t index);

// Writes into widths[0..count) the width of each text in the DC's current
// font, each exactly what GetTextExtentPoint32 gives for it (the same
// layout), with the DC and its font looked up and the lock taken once for
// the whole batch. Widths are not summed from per-character advances:
// the text layer rounds kerned glyph positions over the whole run, so a
// label's width is not the sum of its pairs'. FALSE for a bad DC or
// arguments.
BOOL MeasureTextWidths(HDC dc, std::size_t count, TextByIndex text, const void* context, int* widths);

}  // namespace pv::gdi
