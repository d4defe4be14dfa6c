// Stored values as VARIANTs, for the conversions that cannot fail: shared
// by the recordset and the engine's reader, which reads a walk's values
// straight from the statement. Private to platform/ado.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/ado/ado_engine.h"
#include "platform/base/bstr.h"
#include "platform/base/variant.h"

namespace pv::ado {

// A stored number as the VARIANT of the column's declared type; false when
// that type does not take the number as it is. Sets only `vt` and the value.
[[gnu::always_inline]] inline bool NumberToVariant(bool isInt, int64_t i, double r, JetType type, VARIANT* out) {
  double d = isInt ? static_cast<double>(i) : r;
  switch (type) {
    case JetType::Counter:
    case JetType::Long:
      if (!isInt || i < INT32_MIN || i > INT32_MAX) return false;
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(i);
      return true;
    case JetType::Short:
      if (!isInt || i < -32768 || i > 32767) return false;
      out->vt = VT_I2;
      out->iVal = static_cast<SHORT>(i);
      return true;
    case JetType::Byte:
      if (!isInt || i < 0 || i > 255) return false;
      out->vt = VT_UI1;
      out->bVal = static_cast<BYTE>(i);
      return true;
    case JetType::Single:
      out->vt = VT_R4;
      out->fltVal = static_cast<float>(d);
      return true;
    case JetType::Double:
      out->vt = VT_R8;
      out->dblVal = d;
      return true;
    case JetType::Currency:
      out->vt = VT_CY;
      out->cyVal.int64 = std::llround(d * 10000.0);
      return true;
    case JetType::DateTime:
      out->vt = VT_DATE;
      out->date = d;
      return true;
    case JetType::Bit:
      out->vt = VT_BOOL;
      out->boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return true;
    case JetType::BigInt:
      if (!isInt) return false;
      out->vt = VT_I8;
      out->llVal = i;
      return true;
    default:
      return false;
  }
}

// Text of `units` UTF-16 units at `text` (any alignment: SQLite's text may
// sit at an odd address) as the VT_BSTR of a text column; false when the
// BSTR could not be had.
[[gnu::always_inline]] inline bool TextToVariant(const void* text, uint32_t units, VARIANT* out) noexcept {
  out->bstrVal =
      text && units ? SysAllocStringByteLen(static_cast<const char*>(text), units * 2) : SysAllocStringLen(u"", 0);
  if (!out->bstrVal) return false;
  out->vt = VT_BSTR;
  return true;
}

// The conversions of a walk that cannot throw: a number the column's type
// takes as it is, a null, and text of a text column. False for anything
// else (and when the text's BSTR could not be had), leaving `out` to the
// full conversion.
[[gnu::always_inline]] inline bool QuickCell(const Cell& c, const void* text, JetType type, VARIANT* out) noexcept {
  switch (c.kind) {
    case Value::Int:
      return NumberToVariant(true, c.i, 0, type, out);
    case Value::Real:
      return NumberToVariant(false, 0, c.r, type, out);
    case Value::Null:
      out->vt = VT_NULL;
      return true;
    case Value::Text:
      if (type != JetType::Text && type != JetType::Memo) return false;
      return TextToVariant(text, c.length, out);
    case Value::Blob:
      break;
  }
  return false;
}

}  // namespace pv::ado
