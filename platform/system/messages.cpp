// FormatMessage: the system's error texts and message strings with inserts.
#include <cstring>
#include <string>

#include "platform/system/files.h"
#include "platform/system/sysutil.h"

namespace {

struct ErrorText {
  DWORD code;
  const char16_t* text;
};

// Our own wording for every code this layer reports.
constexpr ErrorText kErrorTexts[] = {
    {0, u"No error."},
    {1, u"The function is not valid here."},
    {2, u"The file was not found."},
    {3, u"The folder in the path was not found."},
    {4, u"Too many files are open."},
    {5, u"Access is not allowed."},
    {6, u"The handle is not valid."},
    {8, u"There is not enough memory for this operation."},
    {13, u"The data is not valid."},
    {14, u"Out of memory."},
    {17, u"The file cannot be moved to another disk."},
    {18, u"No more files match."},
    {19, u"The medium is write-protected."},
    {32, u"The file is in use by another process."},
    {33, u"Part of the file is locked by another process."},
    {38, u"The end of the file was reached."},
    {50, u"This operation is not supported."},
    {80, u"A file of that name already exists."},
    {87, u"A parameter is not valid."},
    {109, u"The pipe was closed."},
    {112, u"The disk is full."},
    {120, u"This function is not available on this system."},
    {122, u"The buffer is too small for the data."},
    {123, u"The name is not valid."},
    {126, u"The module was not found."},
    {127, u"The entry point was not found in the module."},
    {131, u"The file position cannot be moved before the start."},
    {145, u"The folder is not empty."},
    {161, u"The path is not valid."},
    {183, u"The file or folder already exists."},
    {203, u"The environment variable was not found."},
    {206, u"The file name or path is too long."},
    {234, u"More data is available."},
    {259, u"There are no more items."},
    {267, u"The name is not a folder."},
    {317, u"No message text exists for this code."},
    {487, u"The address is not valid."},
    {995, u"The operation was cancelled."},
    {997, u"The operation is still in progress."},
    {998, u"The memory location cannot be accessed."},
    {1004, u"The flags are not valid."},
    {1011, u"The settings key could not be opened."},
    {1012, u"The settings key could not be read."},
    {1013, u"The settings could not be written."},
    {1015, u"The settings store is damaged."},
    {1018, u"The settings key has been deleted."},
    {1113, u"The text has a character that cannot be converted."},
    {1400, u"The window handle is not valid."},
    {1401, u"The menu handle is not valid."},
    {1410, u"The window class already exists."},
    {1411, u"The window class does not exist."},
    {1460, u"The operation timed out."},
    {1812, u"The resource data was not found."},
    {1813, u"The resource type was not found."},
    {1814, u"The resource name was not found."},
    {0x80004001u, u"This operation is not implemented."},
    {0x80004002u, u"The interface is not supported."},
    {0x80004003u, u"The pointer is not valid."},
    {0x80004004u, u"The operation was aborted."},
    {0x80004005u, u"The operation failed."},
    {0x8000FFFFu, u"An unexpected failure occurred."},
};

const char16_t* SystemText(DWORD code) {
  // Win32 codes wrapped in an HRESULT read as the code itself.
  if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFF;
  for (const auto& e : kErrorTexts)
    if (e.code == code) return e.text;
  return nullptr;
}

// Expands %1..%99 (with an optional !printf-type!), %0, %%, %n, %t, %.,
// %! and "% "; false when an insert has no argument.
bool Expand(std::u16string_view in, const DWORD_PTR* args, std::u16string* out) {
  for (std::size_t i = 0; i < in.size(); ++i) {
    char16_t c = in[i];
    if (c != u'%' || i + 1 >= in.size()) {
      *out += c;
      continue;
    }
    char16_t d = in[++i];
    if (d == u'0') return true;
    if (d == u'n') *out += u"\r\n";
    else if (d == u't') *out += u'\t';
    else if (d == u'%' || d == u'.' || d == u'!' || d == u' ') *out += d;
    else if (d >= u'1' && d <= u'9') {
      int n = d - u'0';
      if (i + 1 < in.size() && in[i + 1] >= u'0' && in[i + 1] <= u'9') n = n * 10 + (in[++i] - u'0');
      std::u16string spec = u"s";
      if (i + 1 < in.size() && in[i + 1] == u'!') {
        std::size_t close = in.find(u'!', i + 2);
        if (close != std::u16string_view::npos) {
          spec = std::u16string(in.substr(i + 2, close - i - 2));
          i = close;
        }
      }
      if (!args) return false;
      DWORD_PTR a = args[n - 1];
      char16_t kind = spec.empty() ? u's' : spec.back();
      if (kind == u's') {
        *out += pv::sys::View(reinterpret_cast<const char16_t*>(a));
      } else {
        char buf[32];
        if (kind == u'x' || kind == u'X')
          std::snprintf(buf, sizeof buf, kind == u'x' ? "%lx" : "%lX", static_cast<unsigned long>(a));
        else if (kind == u'u') std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(static_cast<DWORD>(a)));
        else std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(static_cast<int>(a)));
        *out += pv::sys::FromUtf8(buf);
      }
    } else {
      *out += d;
    }
  }
  return true;
}

}  // namespace

DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, void* arguments) {
  if (!buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string text;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    text = pv::sys::View(static_cast<const char16_t*>(source));
  } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
    const char16_t* t = SystemText(messageId);
    if (!t) {
      SetLastError(ERROR_MR_MID_NOT_FOUND);
      return 0;
    }
    text = std::u16string(t) + u"\r\n";
  } else {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  std::u16string result;
  if (flags & FORMAT_MESSAGE_IGNORE_INSERTS) {
    result = text;
  } else {
    const DWORD_PTR* args =
        (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) ? static_cast<const DWORD_PTR*>(arguments) : nullptr;
    if (!Expand(text, args, &result)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  if ((flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == FORMAT_MESSAGE_MAX_WIDTH_MASK) {
    while (!result.empty() && (result.back() == u'\n' || result.back() == u'\r')) result.pop_back();
  }
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    std::size_t units = std::max<std::size_t>(result.size() + 1, size);
    auto* mem = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, units * 2));
    if (!mem) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(mem, result.c_str(), (result.size() + 1) * 2);
    *reinterpret_cast<LPWSTR*>(buffer) = mem;
    return static_cast<DWORD>(result.size());
  }
  if (result.size() + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, result.c_str(), (result.size() + 1) * 2);
  return static_cast<DWORD>(result.size());
}
