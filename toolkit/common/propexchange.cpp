#include "toolkit/common/propexchange.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/bstr.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/oledatetime.h"
#include "platform/base/utf.h"
#include "platform/base/variant.h"

IMPLEMENT_DYNAMIC(CTKPropExchange, CCmdTarget)

LONG CTKPropExchange::s_nLocale = -1;

namespace {

// ---- numbers as text -------------------------------------------------------------------

// "%g" keeps six significant digits. Where that would change the value the
// shortest text that reads back exactly is written instead, so no stored
// value is lost and every value "%g" shows exactly keeps its old text.
std::string DoubleText(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", value);
  char* end = nullptr;
  double back = std::strtod(buf, &end);
  if (back == value || (std::isnan(back) && std::isnan(value))) return buf;
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string FloatText(float value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(value));
  float back = static_cast<float>(std::strtod(buf, nullptr));
  if (back == value || (std::isnan(back) && std::isnan(value))) return buf;
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

// Decimal text to a double: leading blanks and a '+' are allowed, trailing
// text is ignored. FALSE when no number starts the text.
bool ParseDouble(const std::string& text, double* out) {
  const char* p = text.c_str();
  const char* end = p + text.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p < end && *p == '+') ++p;
  auto r = std::from_chars(p, end, *out, std::chars_format::general);
  return r.ec == std::errc() || r.ec == std::errc::result_out_of_range;
}

// Decimal text to 32 bits: blanks, a sign, digits; larger numbers keep
// their low 32 bits (an unsigned colour written as 4294967295 reads as -1).
bool ParseInt32(const std::string& text, DWORD* out) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint64_t v = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
    v = v * 10 + static_cast<unsigned>(text[i] - '0');
  if (!digits) return false;
  *out = static_cast<DWORD>(negative ? 0 - v : v);
  return true;
}

// "%i, %i, %i, %i" / "%i, %i": exactly `count` fields.
bool ParseInts(const std::string& text, int count, LONG* out) {
  int v[4] = {0, 0, 0, 0};
  int n = count == 4 ? std::sscanf(text.c_str(), "%i, %i, %i, %i", &v[0], &v[1], &v[2], &v[3])
                     : std::sscanf(text.c_str(), "%i, %i", &v[0], &v[1]);
  if (n != count) return false;
  for (int i = 0; i < count; ++i) out[i] = v[i];
  return true;
}

CString Widen(const std::string& s) { return FromUtf8(s); }

// ---- dates as text -----------------------------------------------------------------------

CString FormatDateText(const COleDateTime& date) {
  double whole = std::trunc(date.m_dt);
  // The whole-day part's low 32 bits, as the stored forms have always used.
  auto day = static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(whole)));
  if (day == 0) return date.Format(u"%H:%M:%S");
  if (date.m_dt == static_cast<double>(day)) return date.Format(u"%Y-%d-%m");
  return date.Format(u"%Y-%d-%mT%H:%M:%S");
}

bool ParseDateText(const CString& text, COleDateTime* date) {
  std::string s = ToUtf8(text);
  unsigned short year = 0, day = 0, month = 0, hour = 0, minute = 0, second = 0;
  int n = std::sscanf(s.c_str(), "%hu-%hu-%huT%hu:%hu:%hu", &year, &day, &month, &hour, &minute, &second);
  if (n == 3 || n == 5 || n == 6) {
    COleDateTime d;
    if (d.SetDateTime(year, month, day, hour, minute, second) != 0) return false;
    if (d.GetYear() != year || d.GetMonth() != month || d.GetDay() != day || d.GetHour() != hour ||
        d.GetMinute() != minute || d.GetSecond() != second)
      return false;
    *date = d;
    return true;
  }
  hour = minute = second = 0;
  n = std::sscanf(s.c_str(), "%hu:%hu:%hu", &hour, &minute, &second);
  if (n != 2 && n != 3) return false;
  COleDateTime d(static_cast<DATE>(hour * 3600.0 + minute * 60.0 + second) / 86400.0);
  d.SetStatus(COleDateTime::valid);
  *date = d;
  return true;
}

// ---- letter text of byte blocks ------------------------------------------------------------

CString BytesToLetters(const BYTE* data, DWORD count) {
  std::u16string s;
  s.reserve(static_cast<std::size_t>(count) * 2);
  for (DWORD i = 0; i < count; ++i) {
    s.push_back(static_cast<char16_t>(u'A' + (data[i] & 0x0F)));
    s.push_back(static_cast<char16_t>(u'A' + (data[i] >> 4)));
  }
  return CString(std::move(s));
}

}  // namespace

// ---- CTKPropExchange ------------------------------------------------------------------------

CTKPropExchange::CTKPropExchange() : m_nSchema(kTKSchemaCurrent) {}

CTKPropExchange::~CTKPropExchange() = default;

void CTKPropExchange::InheritSettings(const CTKPropExchange* parent) {
  m_nSchema = parent->m_nSchema;
  m_pOwner = parent->m_pOwner;
  m_bEmptySection = parent->m_bEmptySection;
  m_bUseDefaultOnLoad = parent->m_bUseDefaultOnLoad;
  m_bUseDefaultOnSave = parent->m_bUseDefaultOnSave;
  m_bChildSection = TRUE;
}

BOOL CTKPropExchange::ExchangeSchema() { return PropExchangeIntDefault(this, u"Schema", &m_nSchema, kTKSchemaCurrent); }

BOOL CTKPropExchange::ExchangeSchemaTolerant() {
  return PropExchangeIntDefault(this, u"Schema", &m_nSchema, kTKSchemaUnmarkedKeyed);
}

BOOL CTKPropExchange::ExchangeLocale() {
  int locale = s_nLocale;
  BOOL ok = PropExchangeIntDefault(this, u"Locale", &locale, -1);
  if (m_bLoading) s_nLocale = locale;
  return ok;
}

int CTKPropExchange::GetValueSize(unsigned short type) {
  switch (type) {
    case VT_UI1:
      return 1;
    case VT_I2:
      return 2;
    case VT_I4:
    case VT_R4:
    case VT_BSTR:
    case VT_BOOL:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_TK_SIZE:
      return 8;
    case VT_DATE:
      return 12;
    case VT_VARIANT:
    case VT_TK_RECT:
      return 16;
    default:
      return 0;
  }
}

BOOL CTKPropExchange::IsSameValue(unsigned short type, const void* value, const void* other) {
  if (value == other) return TRUE;
  if (!value || !other) return FALSE;
  switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_BOOL:
    case VT_UI1:
    case VT_TK_RECT:
    case VT_TK_SIZE:
      return std::memcmp(value, other, static_cast<std::size_t>(GetValueSize(type))) == 0;
    case VT_DATE:
      // COleDateTime's equality: valid and within half a second, or both null.
      return *static_cast<const COleDateTime*>(value) == *static_cast<const COleDateTime*>(other);
    case VT_BSTR: {
      const char16_t* a = *static_cast<const BSTR*>(value);
      const char16_t* b = *static_cast<const BSTR*>(other);
      return std::u16string_view(a ? a : u"") == std::u16string_view(b ? b : u"");
    }
    case VT_VARIANT:
      return pv::VariantEquals(*static_cast<const VARIANT*>(value), *static_cast<const VARIANT*>(other));
    case VT_TK_STRING:
      return static_cast<const CString*>(value)->View() == std::u16string_view(static_cast<LPCTSTR>(other));
    default:
      return FALSE;
  }
}

BOOL CTKPropExchange::CopyValue(unsigned short type, void* destination, const void* source) {
  if (!source || !destination) return FALSE;
  switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_BOOL:
    case VT_UI1:
    case VT_TK_RECT:
    case VT_TK_SIZE:
      std::memcpy(destination, source, static_cast<std::size_t>(GetValueSize(type)));
      return TRUE;
    case VT_DATE:
      *static_cast<COleDateTime*>(destination) = *static_cast<const COleDateTime*>(source);
      return TRUE;
    case VT_BSTR:
      // The destination receives a new string the caller owns.
      *static_cast<BSTR*>(destination) = SysAllocString(*static_cast<const BSTR*>(source));
      return TRUE;
    case VT_VARIANT:
      return SUCCEEDED(VariantCopy(static_cast<VARIANT*>(destination), static_cast<const VARIANT*>(source)));
    case VT_TK_STRING:
      *static_cast<CString*>(destination) = static_cast<LPCTSTR>(source);
      return TRUE;
    default:
      return FALSE;
  }
}

void CTKPropExchange::EscapeText(CString& text) const {
  if (!m_bLoading) {
    std::u16string out;
    out.reserve(text.View().size());
    for (char16_t c : text.View()) {
      switch (c) {
        case u'\\':
          out += u"\\\\";
          break;
        case u'\n':
          out += u"\\n";
          break;
        case u'\r':
          out += u"\\r";
          break;
        case u'\t':
          out += u"\\t";
          break;
        default:
          out += c;
      }
    }
    text = CString(std::move(out));
    return;
  }
  if (text.Find(u'\\') < 0) return;
  // One pass from the left: the same result as replacing doubled
  // backslashes first, without a placeholder character that text of its
  // own could contain.
  std::u16string_view in = text.View();
  std::u16string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char16_t c = in[i];
    if (c == u'\\' && i + 1 < in.size()) {
      char16_t n = in[i + 1];
      char16_t r = n == u'\\' ? u'\\' : n == u'n' ? u'\n' : n == u'r' ? u'\r' : n == u't' ? u'\t' : 0;
      if (r) {
        out += r;
        ++i;
        continue;
      }
    }
    out += c;
  }
  text = CString(std::move(out));
}

BOOL CTKPropExchange::ExchangeDateText(CString& text, COleDateTime& date) const {
  if (s_nLocale == -1) {
    if (!m_bLoading) {
      text = FormatDateText(date);
      return TRUE;
    }
    return ParseDateText(text, &date);
  }
  auto lcid = static_cast<LCID>(s_nLocale);
  if (!m_bLoading) {
    try {
      text = date.Format(0, lcid);
    } catch (CException* e) {
      e->Delete();
      text.Empty();
    }
    return TRUE;
  }
  COleDateTime parsed;
  if (!parsed.ParseDateTime(text, 0, lcid)) return FALSE;
  date = parsed;
  return TRUE;
}

BOOL CTKPropExchange::ExchangeValueText(CString& text, unsigned short type, void* value,
                                        const void* defaultValue) const {
  if (!m_bLoading) {
    switch (type) {
      case VT_I2:
      case VT_I4:
      case VT_BOOL:
      case VT_UI1: {
        DWORD word = 0;
        std::memcpy(&word, value, static_cast<std::size_t>(GetValueSize(type)));
        text = Widen(std::to_string(static_cast<int>(word)));
        return TRUE;
      }
      case VT_R4:
        text = Widen(FloatText(*static_cast<const float*>(value)));
        return TRUE;
      case VT_R8:
        text = Widen(DoubleText(*static_cast<const double*>(value)));
        return TRUE;
      case VT_DATE:
        return ExchangeDateText(text, *static_cast<COleDateTime*>(value));
      case VT_VARIANT: {
        const VARIANT* v = static_cast<const VARIANT*>(value);
        if (V_VT(v) == VT_DATE && s_nLocale == -1) {
          COleDateTime date(V_DATE(v));
          return ExchangeDateText(text, date);
        }
        VARIANT str;
        VariantInit(&str);
        LCID lcid = s_nLocale == -1 ? 0 : static_cast<LCID>(s_nLocale);
        if (FAILED(VariantChangeTypeEx(&str, v, lcid, 0, VT_BSTR))) return FALSE;
        text = V_BSTR(&str) ? V_BSTR(&str) : u"";
        VariantClear(&str);
        return TRUE;
      }
      case VT_TK_STRING:
        text = *static_cast<const CString*>(value);
        EscapeText(text);
        return TRUE;
      case VT_TK_RECT: {
        const RECT* r = static_cast<const RECT*>(value);
        text.Format(u"%i, %i, %i, %i", r->left, r->top, r->right, r->bottom);
        return TRUE;
      }
      case VT_TK_SIZE: {
        const LONG* p = static_cast<const LONG*>(value);
        text.Format(u"%i, %i", p[0], p[1]);
        return TRUE;
      }
      default:
        return FALSE;
    }
  }

  std::string narrow;
  switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_UI1: {
      DWORD word = 0;
      if (!ParseInt32(ToUtf8(text), &word)) return CopyValue(type, value, defaultValue);
      std::memcpy(value, &word, static_cast<std::size_t>(GetValueSize(type)));
      return TRUE;
    }
    case VT_R4:
    case VT_R8: {
      double d = 0;
      if (!ParseDouble(ToUtf8(text), &d)) return CopyValue(type, value, defaultValue);
      if (type == VT_R4) *static_cast<float*>(value) = static_cast<float>(d);
      else *static_cast<double*>(value) = d;
      return TRUE;
    }
    case VT_DATE:
      return ExchangeDateText(text, *static_cast<COleDateTime*>(value));
    case VT_VARIANT: {
      VARIANT* v = static_cast<VARIANT*>(value);
      COleDateTime date;
      if (s_nLocale == -1 && ParseDateText(text, &date)) {
        VariantClear(v);
        V_VT(v) = VT_DATE;
        V_DATE(v) = date.m_dt;
        return TRUE;
      }
      BSTR s = SysAllocStringLen(text.GetString(), static_cast<UINT>(text.GetLength()));
      if (!s) return FALSE;
      VariantClear(v);
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = s;
      return TRUE;
    }
    case VT_TK_STRING: {
      CString s = text;
      EscapeText(s);
      *static_cast<CString*>(value) = s;
      return TRUE;
    }
    case VT_TK_RECT:
    case VT_TK_SIZE: {
      LONG fields[4];
      int count = type == VT_TK_RECT ? 4 : 2;
      if (!ParseInts(ToUtf8(text), count, fields)) return CopyValue(type, value, defaultValue);
      std::memcpy(value, fields, sizeof(LONG) * static_cast<std::size_t>(count));
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// ---- base behaviour of the virtual operations ------------------------------------------------

BOOL CTKPropExchange::ExchangeBlob(LPCTSTR key, BYTE** data, DWORD* count) {
  if (!data || !count) return FALSE;
  if (!m_bLoading) {
    CString text = BytesToLetters(*data, *data ? *count : 0);
    return ExchangeProp(key, VT_TK_STRING, &text, u"");
  }
  CString text;
  if (!ExchangeProp(key, VT_TK_STRING, &text, nullptr)) return FALSE;
  std::u16string_view letters = text.View();
  if (letters.size() % 2) return FALSE;
  DWORD length = static_cast<DWORD>(letters.size() / 2);
  BYTE* block = *data;
  if (block) {
    if (*count < length) return FALSE;
  } else {
    block = static_cast<BYTE*>(std::malloc(length ? length : 1));
    if (!block) return FALSE;
  }
  for (DWORD i = 0; i < length; ++i) {
    unsigned lo = static_cast<unsigned>(letters[2 * i] - u'A');
    unsigned hi = static_cast<unsigned>(letters[2 * i + 1] - u'A');
    block[i] = static_cast<BYTE>(lo + 16 * hi);
  }
  *data = block;
  *count = length;
  return TRUE;
}

BOOL CTKPropExchange::ExchangeObjectClass(LPCTSTR key, CRuntimeClass** cls, CRuntimeClass* defaultClass) {
  if (!cls) return FALSE;
  CString defaultName;
  if (defaultClass) defaultName = CString(defaultClass->m_lpszClassName);
  if (!m_bLoading) {
    if (!*cls) return FALSE;
    CString name((*cls)->m_lpszClassName);
    return ExchangeProp(key, VT_TK_STRING, &name, defaultClass ? defaultName.GetString() : nullptr);
  }
  CString name;
  if (!ExchangeProp(key, VT_TK_STRING, &name, nullptr)) {
    *cls = defaultClass;
    return TRUE;
  }
  *cls = CRuntimeClass::FromName(name.GetString());
  return *cls != nullptr;
}

BOOL CTKPropExchange::ExchangeObject(CObject** object, CRuntimeClass* expected) {
  if (!object) return FALSE;
  if (!m_bLoading) {
    if (!*object) return FALSE;
    CRuntimeClass* cls = (*object)->GetRuntimeClass();
    return ExchangeObjectClass(u"Class", &cls, expected);
  }
  CRuntimeClass* cls = nullptr;
  *object = nullptr;
  if (!ExchangeObjectClass(u"Class", &cls, expected) || !cls) return FALSE;
  // The stored name is untrusted: a class outside the expected family is
  // never constructed.
  if (expected && !cls->IsDerivedFrom(expected)) return FALSE;
  CObject* created = cls->CreateObject();
  if (created && expected && !created->IsKindOf(expected)) {
    delete created;
    created = nullptr;
  }
  *object = created;
  return created != nullptr;
}

CArchive* CTKPropExchange::GetArchive(LPCTSTR key) {
  if (!m_bLoading) {
    CMemFile* file = new CMemFile(1024);
    return new CArchive(file, CArchive::store, 4096);
  }
  BYTE* data = nullptr;
  DWORD count = 0;
  if (!ExchangeBlob(key, &data, &count)) return nullptr;
  if (!data || count == 0) {
    std::free(data);
    return nullptr;
  }
  CMemFile* file = new CMemFile(data, count, 0);
  return new CArchive(file, CArchive::load, 4096);
}

void CTKPropExchange::ReleaseArchive(LPCTSTR key, CArchive* archive) {
  if (!archive) return;
  CMemFile* file = DYNAMIC_DOWNCAST(CMemFile, archive->GetFile());
  if (!file) return;
  if (!m_bLoading) {
    archive->Flush();
    DWORD count = static_cast<DWORD>(file->GetLength());
    BYTE* data = file->Detach();
    ExchangeBlob(key, &data, &count);
    std::free(data);
  }
  archive->Abort();
  std::free(file->Detach());
  file->Close();
  delete file;
  delete archive;
}

void CTKPropExchange::EmptySection() { m_bEmptySection = TRUE; }

void CTKPropExchange::WriteCount(DWORD count) {
  int value = static_cast<int>(count);
  PropExchangeIntDefault(this, u"Count", &value, 0);
}

DWORD CTKPropExchange::ReadCount() {
  int value = 0;
  PropExchangeIntDefault(this, u"Count", &value, 0);
  // A negative count is damage, not four billion entries to walk.
  return value < 0 ? 0 : static_cast<DWORD>(value);
}

BOOL CTKPropExchange::WriteBinary(LPCTSTR key, BYTE* data, DWORD count) { return ExchangeBlob(key, &data, &count); }

DWORD CTKPropExchange::ReadBinary(LPCTSTR key, BYTE* buffer, DWORD count) {
  if (!buffer) return 0;
  return ExchangeBlob(key, &buffer, &count) ? count : 0;
}

BOOL CTKPropExchange::ExchangeBinary(LPCTSTR key, BYTE* data, DWORD count) {
  if (!data && count) return FALSE;
  if (!m_bLoading) return WriteBinary(key, data, count);
  // Read aside: a missing or shorter block leaves the caller's bytes alone.
  std::vector<BYTE> block(count ? count : 1);
  if (ReadBinary(key, block.data(), count) != count) return FALSE;
  if (count) std::memcpy(data, block.data(), count);
  return TRUE;
}

BOOL CTKPropExchange::StoresByName() { return TRUE; }

BOOL CTKPropExchange::AllowsBinaryValues() { return FALSE; }

BOOL CTKPropExchange::OpenStorage() {
  m_bInitialized = TRUE;
  return TRUE;
}

CTKPropExchangeEnumerator* CTKPropExchange::GetEnumerator(LPCTSTR prefix) {
  return new CTKPropExchangeEnumerator(this, prefix);
}

// ---- enumerator -----------------------------------------------------------------------------

CTKPropExchangeEnumerator::CTKPropExchangeEnumerator(CTKPropExchange* container, LPCTSTR prefix)
    : m_pContainer(container), m_strPrefix(prefix) {}

CTKPropExchangeEnumerator::~CTKPropExchangeEnumerator() = default;

POSITION CTKPropExchangeEnumerator::GetPosition(DWORD count, BOOL compact) {
  m_nCount = count;
  if (!m_pContainer) return nullptr;
  if (!compact) {
    int value = static_cast<int>(m_nCount);
    PropExchangeIntDefault(m_pContainer, u"Count", &value, 0);
    m_nCount = m_pContainer->IsLoading() && value < 0 ? 0 : static_cast<DWORD>(value);
  } else if (m_pContainer->IsLoading()) {
    m_nCount = m_pContainer->ReadCount();
  } else {
    m_pContainer->WriteCount(m_nCount);
  }
  return m_nCount ? reinterpret_cast<POSITION>(std::uintptr_t{1}) : nullptr;
}

CTKPropExchange* CTKPropExchangeEnumerator::GetNext(POSITION& pos) {
  auto index = reinterpret_cast<std::uintptr_t>(pos);
  if (!m_pContainer || index == 0) {
    pos = nullptr;
    return nullptr;
  }
  CString name;
  name.Format(u"%s%i", m_strPrefix.GetString(), static_cast<int>(index - 1));
  CTKPropExchange* section = m_pContainer->GetSection(name);
  ++index;
  pos = index > m_nCount ? nullptr : reinterpret_cast<POSITION>(index);
  return section;
}

// ---- holders --------------------------------------------------------------------------------

CTKPropExchangeSection::~CTKPropExchangeSection() { ReleaseHeldCmdTarget(*this); }

void ReleaseHeldCmdTarget(CTKPropExchangeSection& holder) {
  if (CTKPropExchange* held = holder.m_pPX) {
    holder.m_pPX = nullptr;
    held->InternalRelease();
  }
}

void DeleteHeldObject(CTKPropExchangeEnumeratorHolder& holder) {
  CTKPropExchangeEnumerator* held = holder.m_pEnumerator;
  holder.m_pEnumerator = nullptr;
  delete held;
}

// ---- typed exchange functions ---------------------------------------------------------------

BOOL PropExchangeByteDefault(CTKPropExchange* px, LPCTSTR key, BYTE* value, BYTE defaultValue) {
  return px ? px->ExchangeProp(key, VT_UI1, value, &defaultValue) : FALSE;
}

BOOL PropExchangeShortDefault(CTKPropExchange* px, LPCTSTR key, short* value, short defaultValue) {
  return px ? px->ExchangeProp(key, VT_I2, value, &defaultValue) : FALSE;
}

BOOL PropExchangeInt(CTKPropExchange* px, LPCTSTR key, int* value) {
  return px ? px->ExchangeProp(key, VT_I4, value, nullptr) : FALSE;
}

BOOL PropExchangeIntDefault(CTKPropExchange* px, LPCTSTR key, int* value, int defaultValue) {
  return px ? px->ExchangeProp(key, VT_I4, value, &defaultValue) : FALSE;
}

BOOL PropExchangeBool(CTKPropExchange* px, LPCTSTR key, BOOL* value) {
  return px ? px->ExchangeProp(key, VT_BOOL, value, nullptr) : FALSE;
}

BOOL PropExchangeBoolDefault(CTKPropExchange* px, LPCTSTR key, BOOL* value, BOOL defaultValue) {
  return px ? px->ExchangeProp(key, VT_BOOL, value, &defaultValue) : FALSE;
}

BOOL PropExchangeString(CTKPropExchange* px, LPCTSTR key, CString* value) {
  return px ? px->ExchangeProp(key, VT_TK_STRING, value, nullptr) : FALSE;
}

BOOL PropExchangeStringDefault(CTKPropExchange* px, LPCTSTR key, CString* value, LPCTSTR defaultValue) {
  return px ? px->ExchangeProp(key, VT_TK_STRING, value, defaultValue ? defaultValue : u"") : FALSE;
}

BOOL PropExchangeDouble(CTKPropExchange* px, LPCTSTR key, double* value) {
  return px ? px->ExchangeProp(key, VT_R8, value, nullptr) : FALSE;
}

BOOL PropExchangeDateTime(CTKPropExchange* px, LPCTSTR key, COleDateTime* value) {
  return px ? px->ExchangeProp(key, VT_DATE, value, nullptr) : FALSE;
}

BOOL PropExchangeSize(CTKPropExchange* px, LPCTSTR key, SIZE* value, const SIZE& defaultValue) {
  SIZE def = defaultValue;
  return px ? px->ExchangeProp(key, VT_TK_SIZE, value, &def) : FALSE;
}

BOOL PropExchangeRect(CTKPropExchange* px, LPCTSTR key, RECT* value, const RECT& defaultValue) {
  RECT def = defaultValue;
  return px ? px->ExchangeProp(key, VT_TK_RECT, value, &def) : FALSE;
}

BOOL PropExchangeVariant(CTKPropExchange* px, LPCTSTR key, VARIANT* value, VARIANT defaultValue) {
  BOOL ok = px ? px->ExchangeProp(key, VT_VARIANT, value, &defaultValue) : FALSE;
  VariantClear(&defaultValue);
  return ok;
}

BOOL PropExchangeVariant(CTKPropExchange* px, LPCTSTR key, VARIANT* value, const COleVariant& defaultValue) {
  return px ? px->ExchangeProp(key, VT_VARIANT, value, static_cast<const VARIANT*>(&defaultValue)) : FALSE;
}

BOOL PropExchangeUInt64(CTKPropExchange* px, LPCTSTR key, ULONGLONG* value, ULONGLONG defaultValue) {
  if (!px || !value) return FALSE;
  SIZE pair{static_cast<LONG>(static_cast<DWORD>(*value >> 32)), static_cast<LONG>(static_cast<DWORD>(*value))};
  SIZE def{static_cast<LONG>(static_cast<DWORD>(defaultValue >> 32)),
           static_cast<LONG>(static_cast<DWORD>(defaultValue))};
  BOOL ok = px->ExchangeProp(key, VT_TK_SIZE, &pair, &def);
  if (ok && px->IsLoading())
    *value = (static_cast<ULONGLONG>(static_cast<DWORD>(pair.cx)) << 32) | static_cast<DWORD>(pair.cy);
  return ok;
}

BOOL PropExchangeRuntimeClass(CTKPropExchange* px, LPCTSTR key, CRuntimeClass** cls, CRuntimeClass* defaultClass) {
  return px ? px->ExchangeObjectClass(key, cls, defaultClass) : FALSE;
}

BOOL PropExchangeBlob(CTKPropExchange* px, LPCTSTR key, BYTE** data, DWORD* count) {
  return px ? px->ExchangeBlob(key, data, count) : FALSE;
}

BOOL PropExchangeSerialize(CTKPropExchange* px, LPCTSTR key, CObject* object) {
  if (!px || !object) return FALSE;
  CArchive* archive = px->GetArchive(key);
  if (!archive) return FALSE;
  BOOL ok = TRUE;
  try {
    object->Serialize(*archive);
  } catch (CArchiveException* e) {
    e->Delete();
    ok = FALSE;
  } catch (COleException* e) {
    e->Delete();
    ok = FALSE;
  } catch (CException*) {
    // Other failures reach the caller, without leaking the archive.
    px->ReleaseArchive(key, archive);
    throw;
  }
  px->ReleaseArchive(key, archive);
  return ok;
}
