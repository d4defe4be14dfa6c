#include "platform/base/wformat.h"

// First cut: the engine lands in the next commit.
namespace pv {
void FormatAppendV(std::u16string& out, const char16_t* format, va_list) {
  if (format) out += format;
}
void FormatAppendV(std::string& out, const char* format, va_list) {
  if (format) out += format;
}
}  // namespace pv
