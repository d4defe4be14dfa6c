// Reads UTF-8 markup files and prints what the parser saw, one event a line:
// "S name", "A name=value", "T text" (text merged up to the next tag, CDATA
// included, comments and processing instructions left out), "E name", and
// "ERROR message" on a parse error. Backslash and line feed are escaped.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "toolkit/markup/markupparser.h"

static std::u16string FromUtf8(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    int n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c >> 5) == 6) {
      cp = c & 0x1F;
      n = 2;
    } else if ((c >> 4) == 14) {
      cp = c & 0x0F;
      n = 3;
    } else {
      cp = c & 0x07;
      n = 4;
    }
    for (int k = 1; k < n && i + k < s.size(); k++) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

static std::string ToUtf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); i++) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp == '\\') {
      out += "\\\\";
      continue;
    }
    if (cp == '\n') {
      out += "\\n";
      continue;
    }
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

static void Dump(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string text = FromUtf8(bytes);
  CTKMarkupParser parser;
  parser.SetBuffer(text.data(), text.data() + text.size());
  std::u16string pending;
  bool inCData = false;
  auto flush = [&]() {
    if (!pending.empty()) std::printf("T %s\n", ToUtf8(pending).c_str());
    pending.clear();
  };
  for (;;) {
    int t = parser.NextToken();
    switch (t) {
      case CTKMarkupParser::tokenEOF:
        flush();
        return;
      case CTKMarkupParser::tokenError:
        flush();
        std::printf("ERROR %s\n", ToUtf8(parser.GetValueText()).c_str());
        return;
      case CTKMarkupParser::tokenStartTag:
        flush();
        std::printf("S %s\n", ToUtf8(parser.GetTagName()).c_str());
        break;
      case CTKMarkupParser::tokenEndTag:
        flush();
        std::printf("E %s\n", ToUtf8(parser.GetTagName()).c_str());
        break;
      case CTKMarkupParser::tokenAttribute:
        std::printf("A %s=%s\n", ToUtf8(parser.GetAttributeName()).c_str(), ToUtf8(parser.GetValueText()).c_str());
        break;
      case CTKMarkupParser::tokenText:
      case CTKMarkupParser::tokenWhiteSpace:
        pending.append(parser.GetValueText(), parser.GetValueLength());
        break;
      case CTKMarkupParser::tokenCDataStart:
        inCData = true;
        break;
      case CTKMarkupParser::tokenCDataEnd:
        inCData = false;
        break;
      case CTKMarkupParser::tokenBody:
        if (inCData) pending.append(parser.GetValueText(), parser.GetValueLength());
        break;
      default:
        break;
    }
  }
}

// Each file's events follow a line "# <path>".
int main(int argc, char** argv) {
  if (argc < 2) return 2;
  for (int i = 1; i < argc; i++) {
    std::printf("# %s\n", argv[i]);
    Dump(argv[i]);
  }
  return 0;
}
