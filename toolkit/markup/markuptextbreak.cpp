// Where a text position may stop: after a whole user-perceived character.
// A surrogate pair is always one step; a character followed by marks that
// attach to it (accents, variation selectors, emoji modifiers and joined
// emoji sequences) is one step as far as Pango's cluster rules say so.
#include <pango/pango.h>

#include <string>
#include <vector>

#include "toolkit/markup/markuptext.h"

namespace {

bool IsHigh(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Nothing below the combining marks block attaches to what precedes it
// (carriage return and line feed stay two steps: the line builder reads
// them one by one).
bool StartsCluster(WCHAR c) { return c < 0x300; }

// A cluster longer than this is cut; it keeps whole code points.
constexpr int kMaxCluster = 256;

// The end of the code point that starts at pos.
int CodePointEnd(const WCHAR* text, int length, int pos) {
  return (IsHigh(text[pos]) && pos + 1 < length && IsLow(text[pos + 1])) ? pos + 2 : pos + 1;
}

}  // namespace

int MarkupNextCharacterStop(const WCHAR* text, int length, int pos) {
  if (!text || pos >= length) return length;
  if (pos < 0) return 0;
  const int first = CodePointEnd(text, length, pos);
  if (first >= length || StartsCluster(text[first]) || text[pos] == u'\r') return first;

  // The stretch that may form one cluster: up to the next unit that always
  // starts one, in whole code points.
  int end = first;
  while (end < length && !StartsCluster(text[end]) && end - pos < kMaxCluster) end = CodePointEnd(text, length, end);
  std::string utf8;
  std::vector<int> unitOf;  // code point index -> UTF-16 index
  for (int i = pos; i < end;) {
    const int next = CodePointEnd(text, length, i);
    char32_t c = text[i];
    if (next - i == 2) c = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    else if (IsHigh(c) || IsLow(c)) c = 0xFFFD;  // an unpaired half is a character of its own
    char buf[6];
    utf8.append(buf, g_unichar_to_utf8(static_cast<gunichar>(c), buf));
    unitOf.push_back(i);
    i = next;
  }
  unitOf.push_back(end);
  std::vector<PangoLogAttr> attrs(unitOf.size());
  pango_get_log_attrs(utf8.data(), static_cast<int>(utf8.size()), -1, pango_language_from_string("en"), attrs.data(),
                      static_cast<int>(attrs.size()));
  for (size_t i = 1; i < attrs.size(); i++)
    if (attrs[i].is_cursor_position) return unitOf[i];
  return end;
}
