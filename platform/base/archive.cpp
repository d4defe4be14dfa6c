#include "platform/base/archive.h"

#include <bit>
#include <climits>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/collections.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/base/oledatetime.h"
#include "platform/base/utf.h"
#include "platform/base/variant.h"

static_assert(std::endian::native == std::endian::little, "stored forms are little-endian");

// Numbers given to classes and objects. Loading keeps what each number
// stands for, so that data naming a class where an object is expected (or
// the reverse) is refused instead of being cast.
struct CArchive::ObjectMaps {
  std::unordered_map<const void*, DWORD> stored;  // class or object -> number
  struct Entry {
    void* ptr;
    bool isClass;
  };
  std::vector<Entry> loaded;  // number -> class or object
  std::unordered_map<const CRuntimeClass*, UINT> loadedSchemas;
};

namespace {
// Bytes moved per step for long strings, so that a lying length runs into
// the end of the data before it makes us allocate much.
constexpr UINT kChunk = 64 * 1024;
}  // namespace

CArchive::CArchive(CFile* file, UINT mode, int bufSize, void* lpBuf)
    : m_nMode(mode), m_pFile(file), m_bUserBuf(lpBuf != nullptr) {
  if (!file) AfxThrowInvalidArgException();
  if (bufSize < 16) bufSize = 16;
  m_nBufSize = static_cast<UINT>(bufSize);
  m_lpBufStart = m_bUserBuf ? static_cast<BYTE*>(lpBuf) : new BYTE[m_nBufSize];
  m_lpBufCur = m_lpBufStart;
  m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
  m_strFileName = file->GetFilePath();
}

CArchive::~CArchive() {
  if (m_pFile && !(m_nMode & bNoFlushOnDelete)) {
    try {
      Close();
    } catch (CException* e) {
      e->Delete();
    } catch (...) {}
  }
  Abort();
  if (!m_bUserBuf) delete[] m_lpBufStart;
}

void CArchive::Throw(int cause) const { AfxThrowArchiveException(cause, m_strFileName.GetString()); }

void CArchive::Abort() noexcept {
  m_pFile = nullptr;
  m_pMaps.reset();
  m_lpBufCur = m_lpBufStart;
  m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
}

void CArchive::Close() {
  if (!m_pFile) return;
  Flush();
  m_pFile = nullptr;
  m_pMaps.reset();
}

void CArchive::Flush() {
  if (!m_pFile) return;
  if (IsStoring()) {
    UINT pending = static_cast<UINT>(m_lpBufCur - m_lpBufStart);
    m_lpBufCur = m_lpBufStart;
    if (pending) m_pFile->Write(m_lpBufStart, pending);
  } else {
    UINT ahead = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
    m_lpBufCur = m_lpBufMax = m_lpBufStart;
    if (ahead) m_pFile->Seek(-static_cast<LONGLONG>(ahead), CFile::current);
  }
}

void CArchive::FillBuffer(UINT needed) {
  if (IsStoring()) Throw(CArchiveException::writeOnly);
  if (!m_pFile) Throw(CArchiveException::genericException);
  UINT have = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
  if (have >= needed) return;
  if (needed > m_nBufSize) Throw(CArchiveException::bufferFull);
  if (have && m_lpBufCur != m_lpBufStart) std::memmove(m_lpBufStart, m_lpBufCur, have);
  m_lpBufCur = m_lpBufStart;
  m_lpBufMax = m_lpBufStart + have;
  UINT got = m_pFile->Read(m_lpBufMax, m_nBufSize - have);
  m_lpBufMax += got;
  if (have + got < needed) Throw(CArchiveException::endOfFile);
}

void CArchive::PrepareWrite(UINT needed) {
  if (IsLoading()) Throw(CArchiveException::readOnly);
  if (!m_pFile) Throw(CArchiveException::genericException);
  if (m_lpBufCur + needed > m_lpBufMax) Flush();
}

UINT CArchive::Read(void* buffer, UINT count) {
  if (IsStoring()) Throw(CArchiveException::writeOnly);
  if (count == 0) return 0;
  if (!m_pFile) Throw(CArchiveException::genericException);
  BYTE* out = static_cast<BYTE*>(buffer);
  UINT done = std::min<UINT>(count, static_cast<UINT>(m_lpBufMax - m_lpBufCur));
  std::memcpy(out, m_lpBufCur, done);
  m_lpBufCur += done;
  UINT left = count - done;
  if (left >= m_nBufSize) {
    // Large reads go straight to the file.
    done += m_pFile->Read(out + done, left);
  } else if (left) {
    m_lpBufCur = m_lpBufMax = m_lpBufStart;
    UINT got = m_pFile->Read(m_lpBufStart, m_nBufSize);
    m_lpBufMax += got;
    UINT take = std::min(got, left);
    std::memcpy(out + done, m_lpBufCur, take);
    m_lpBufCur += take;
    done += take;
  }
  return done;
}

void CArchive::Write(const void* buffer, UINT count) {
  if (IsLoading()) Throw(CArchiveException::readOnly);
  if (count == 0) return;
  if (!m_pFile) Throw(CArchiveException::genericException);
  const BYTE* in = static_cast<const BYTE*>(buffer);
  UINT room = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
  if (count <= room) {
    std::memcpy(m_lpBufCur, in, count);
    m_lpBufCur += count;
    return;
  }
  Flush();
  if (count >= m_nBufSize) {
    m_pFile->Write(in, count);
  } else {
    std::memcpy(m_lpBufCur, in, count);
    m_lpBufCur += count;
  }
}

// ---- counts and strings ------------------------------------------------------------------------------
void CArchive::WriteCount(DWORD_PTR count) {
  if (count < 0xFFFF) {
    *this << static_cast<WORD>(count);
    return;
  }
  *this << static_cast<WORD>(0xFFFF);
  if (count < 0xFFFFFFFFu) {
    *this << static_cast<DWORD>(count);
    return;
  }
  *this << static_cast<DWORD>(0xFFFFFFFFu) << static_cast<ULONGLONG>(count);
}

DWORD_PTR CArchive::ReadCount() {
  WORD w;
  *this >> w;
  if (w != 0xFFFF) return w;
  DWORD d;
  *this >> d;
  if (d != 0xFFFFFFFFu) return d;
  ULONGLONG q;
  *this >> q;
  return static_cast<DWORD_PTR>(q);
}

void CArchive::WriteStringLength(ULONGLONG length, bool wide) {
  if (wide) *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
  if (length < 0xFF) {
    *this << static_cast<BYTE>(length);
    return;
  }
  *this << static_cast<BYTE>(0xFF);
  if (length < 0xFFFE) {
    *this << static_cast<WORD>(length);
    return;
  }
  *this << static_cast<WORD>(0xFFFF);
  if (length < 0xFFFFFFFFu) {
    *this << static_cast<DWORD>(length);
    return;
  }
  *this << static_cast<DWORD>(0xFFFFFFFFu) << length;
}

ULONGLONG CArchive::ReadStringLength(bool& wide) {
  wide = false;
  BYTE b;
  *this >> b;
  if (b < 0xFF) return b;
  WORD w;
  *this >> w;
  if (w == 0xFFFE) {
    // The Unicode marker: the length starts again after it.
    wide = true;
    *this >> b;
    if (b < 0xFF) return b;
    *this >> w;
  }
  if (w < 0xFFFF) return w;
  DWORD d;
  *this >> d;
  if (d < 0xFFFFFFFFu) return d;
  ULONGLONG q;
  *this >> q;
  return q;
}

CArchive& CArchive::operator<<(const CString& s) {
  WriteStringLength(static_cast<ULONGLONG>(s.GetLength()), true);
  // Units are little-endian, as the host keeps them.
  const std::u16string& text = s.Str();
  size_t total = text.size() * sizeof(char16_t);
  const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
  while (total) {
    UINT step = total > kChunk ? kChunk : static_cast<UINT>(total);
    Write(bytes, step);
    bytes += step;
    total -= step;
  }
  return *this;
}

CArchive& CArchive::operator>>(CString& s) {
  bool wide;
  ULONGLONG length = ReadStringLength(wide);
  if (length > static_cast<ULONGLONG>(INT_MAX)) Throw(CArchiveException::badIndex);
  if (wide) {
    std::u16string text;
    ULONGLONG left = length;
    while (left) {
      UINT units = left > kChunk ? kChunk : static_cast<UINT>(left);
      size_t at = text.size();
      text.resize(at + units);
      UINT bytes = units * static_cast<UINT>(sizeof(char16_t));
      if (Read(text.data() + at, bytes) != bytes) Throw(CArchiveException::endOfFile);
      left -= units;
    }
    s = CString(std::move(text));
  } else {
    // Narrow strings are in the "ANSI" code page: UTF-8 here.
    std::string text;
    ULONGLONG left = length;
    while (left) {
      UINT units = left > kChunk ? kChunk : static_cast<UINT>(left);
      size_t at = text.size();
      text.resize(at + units);
      if (Read(text.data() + at, units) != units) Throw(CArchiveException::endOfFile);
      left -= units;
    }
    s = CString(pv::Utf8ToUtf16(text));
  }
  return *this;
}

void CArchive::WriteString(LPCTSTR text) {
  if (!text) return;
  size_t n = std::char_traits<char16_t>::length(text);
  const BYTE* bytes = reinterpret_cast<const BYTE*>(text);
  size_t total = n * sizeof(char16_t);
  while (total) {
    UINT step = total > kChunk ? kChunk : static_cast<UINT>(total);
    Write(bytes, step);
    bytes += step;
    total -= step;
  }
}

BOOL CArchive::ReadString(CString& text) {
  std::u16string line;
  char16_t ch;
  bool any = false;
  while (Read(&ch, sizeof ch) == sizeof ch) {
    any = true;
    if (ch == u'\n') break;
    line += ch;
  }
  if (!any) {
    text.Empty();
    return FALSE;
  }
  if (!line.empty() && line.back() == u'\r') line.pop_back();
  text = CString(std::move(line));
  return TRUE;
}

LPTSTR CArchive::ReadString(LPTSTR buffer, UINT maxChars) {
  if (!buffer || maxChars == 0) AfxThrowInvalidArgException();
  UINT n = 0;
  char16_t ch;
  while (n + 1 < maxChars && Read(&ch, sizeof ch) == sizeof ch) {
    if (ch == u'\n') {
      if (n > 0 && buffer[n - 1] == u'\r') --n;
      buffer[n++] = ch;
      break;
    }
    buffer[n++] = ch;
  }
  buffer[n] = 0;
  return n ? buffer : nullptr;
}

// ---- classes and objects ---------------------------------------------------------------------------------
void CArchive::CheckCount() {
  if (m_nMapCount >= nMaxMapCount) Throw(CArchiveException::badIndex);
}

void CArchive::MapObject(const CObject* object) {
  if (!m_pMaps) {
    m_pMaps = std::make_unique<ObjectMaps>();
    m_nMapCount = 1;
    m_pMaps->loaded.push_back({nullptr, false});  // number 0: NULL
  }
  if (!object) return;
  if (IsStoring()) {
    if (m_pMaps->stored.count(object)) return;
    CheckCount();
    m_pMaps->stored[object] = m_nMapCount++;
  } else {
    CheckCount();
    m_pMaps->loaded.push_back({const_cast<CObject*>(object), false});
    ++m_nMapCount;
  }
}

void CArchive::WriteClass(const CRuntimeClass* cls) {
  if (!cls) AfxThrowInvalidArgException();
  if (IsLoading()) Throw(CArchiveException::readOnly);
  if (cls->m_wSchema == 0xFFFF) AfxThrowNotSupportedException();
  MapObject(nullptr);
  auto it = m_pMaps->stored.find(cls);
  if (it != m_pMaps->stored.end()) {
    DWORD index = it->second;
    if (index < wBigObjectTag) {
      *this << static_cast<WORD>(wClassTag | index);
    } else {
      *this << wBigObjectTag << static_cast<DWORD>(dwBigClassTag | index);
    }
    return;
  }
  *this << wNewClassTag;
  cls->Store(*this);
  CheckCount();
  m_pMaps->stored[cls] = m_nMapCount++;
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* requested, UINT* schemaOut, DWORD* objectTag) {
  if (IsStoring()) Throw(CArchiveException::writeOnly);
  MapObject(nullptr);
  WORD wTag;
  DWORD tag;
  *this >> wTag;
  if (wTag == wBigObjectTag) *this >> tag;
  else tag = (static_cast<DWORD>(wTag & wClassTag) << 16) | (wTag & ~wClassTag);

  if (!(tag & dwBigClassTag)) {
    // An object reference where a class was wanted.
    if (!objectTag) Throw(CArchiveException::badIndex);
    *objectTag = tag;
    return nullptr;
  }

  CRuntimeClass* cls;
  UINT schema;
  if (wTag == wNewClassTag) {
    cls = CRuntimeClass::Load(*this, &schema);
    // Only classes that can be made from an archive may come from one.
    if (!cls || cls->m_wSchema == 0xFFFF || !cls->m_pfnCreateObject) Throw(CArchiveException::badClass);
    UINT own = cls->m_wSchema & ~VERSIONABLE_SCHEMA;
    if (own != schema) {
      if (!(cls->m_wSchema & VERSIONABLE_SCHEMA)) Throw(CArchiveException::badSchema);
      m_pMaps->loadedSchemas[cls] = schema;
    }
    CheckCount();
    m_pMaps->loaded.push_back({cls, true});
    ++m_nMapCount;
  } else {
    DWORD index = tag & ~dwBigClassTag;
    if (index == 0 || index >= m_pMaps->loaded.size() || !m_pMaps->loaded[index].isClass)
      Throw(CArchiveException::badIndex);
    cls = static_cast<CRuntimeClass*>(m_pMaps->loaded[index].ptr);
    auto it = m_pMaps->loadedSchemas.find(cls);
    schema = it != m_pMaps->loadedSchemas.end() ? it->second : (cls->m_wSchema & ~VERSIONABLE_SCHEMA);
  }
  if (requested && !cls->IsDerivedFrom(requested)) Throw(CArchiveException::badClass);
  if (schemaOut) *schemaOut = schema;
  else m_nObjectSchema = schema;
  if (objectTag) *objectTag = tag;
  return cls;
}

void CArchive::SerializeClass(const CRuntimeClass* cls) {
  if (IsStoring()) WriteClass(cls);
  else ReadClass(cls);
}

void CArchive::WriteObject(const CObject* object) {
  if (IsLoading()) Throw(CArchiveException::readOnly);
  MapObject(nullptr);
  if (!object) {
    *this << wNullTag;
    return;
  }
  auto it = m_pMaps->stored.find(object);
  if (it != m_pMaps->stored.end()) {
    DWORD index = it->second;
    if (index < wBigObjectTag) {
      *this << static_cast<WORD>(index);
    } else {
      *this << wBigObjectTag << index;
    }
    return;
  }
  WriteClass(object->GetRuntimeClass());
  CheckCount();
  m_pMaps->stored[object] = m_nMapCount++;
  const_cast<CObject*>(object)->Serialize(*this);
}

CObject* CArchive::ReadObject(const CRuntimeClass* requested) {
  UINT schema;
  DWORD tag;
  CRuntimeClass* cls = ReadClass(requested, &schema, &tag);
  if (!cls) {
    if (tag >= m_pMaps->loaded.size() || m_pMaps->loaded[tag].isClass) Throw(CArchiveException::badIndex);
    CObject* object = static_cast<CObject*>(m_pMaps->loaded[tag].ptr);
    if (object && requested && !object->IsKindOf(requested)) Throw(CArchiveException::badClass);
    return object;
  }
  if (m_nReadDepth >= nMaxReadDepth) Throw(CArchiveException::genericException);
  CObject* object = cls->CreateObject();
  if (!object) AfxThrowMemoryException();
  size_t slot = m_pMaps->loaded.size();
  struct DepthGuard {
    UINT& depth;
    explicit DepthGuard(UINT& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
  } guard(m_nReadDepth);
  try {
    CheckCount();
    m_pMaps->loaded.push_back({object, false});
    ++m_nMapCount;
    UINT saved = m_nObjectSchema;
    m_nObjectSchema = schema;
    object->Serialize(*this);
    m_nObjectSchema = saved;
  } catch (...) {
    // The half-read object is nobody's: free it, and make sure no later
    // reference can reach it.
    if (m_pMaps && slot < m_pMaps->loaded.size()) m_pMaps->loaded[slot].ptr = nullptr;
    delete object;
    throw;
  }
  return object;
}

CObject* PvArchiveReadObject(CArchive& ar, const CRuntimeClass* requested) { return ar.ReadObject(requested); }

// ---- element helpers for the collections ---------------------------------------------------------------
namespace pv::detail {
bool ArchiveIsStoring(CArchive& ar) { return ar.IsStoring() != FALSE; }
void ArchiveWriteCount(CArchive& ar, DWORD_PTR count) { ar.WriteCount(count); }
DWORD_PTR ArchiveReadCount(CArchive& ar) { return ar.ReadCount(); }
void ArchiveWrite(CArchive& ar, const void* data, size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  while (size) {
    UINT step = size > kChunk ? kChunk : static_cast<UINT>(size);
    ar.Write(bytes, step);
    bytes += step;
    size -= step;
  }
}
void ArchiveReadExact(CArchive& ar, void* data, size_t size) {
  BYTE* bytes = static_cast<BYTE*>(data);
  while (size) {
    UINT step = size > kChunk ? kChunk : static_cast<UINT>(size);
    if (ar.Read(bytes, step) != step)
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName.GetString());
    bytes += step;
    size -= step;
  }
}
}  // namespace pv::detail

template <>
void SerializeElements<CString>(CArchive& ar, CString* elements, INT_PTR count) {
  for (INT_PTR i = 0; i < count; ++i) {
    if (ar.IsStoring()) ar << elements[i];
    else ar >> elements[i];
  }
}

template <>
void SerializeElements<CObject*>(CArchive& ar, CObject** elements, INT_PTR count) {
  for (INT_PTR i = 0; i < count; ++i) {
    if (ar.IsStoring()) ar << elements[i];
    else ar >> elements[i];
  }
}

// ---- Automation values --------------------------------------------------------------------------
CArchive& operator<<(CArchive& ar, const VARIANT& value) {
  VARIANT v;
  VariantInit(&v);
  if (FAILED(VariantCopyInd(&v, &value))) AfxThrowArchiveException(CArchiveException::genericException);
  WORD vt = V_VT(&v);
  bool ok = true;
  // The whole value is checked before a byte is written, so an unstorable
  // value leaves the archive as it was.
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      ar << vt;
      break;
    case VT_I1:
    case VT_UI1:
      ar << vt << V_UI1(&v);
      break;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      ar << vt << V_UI2(&v);
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      ar << vt << V_UI4(&v);
      break;
    case VT_R4:
      ar << vt << V_R4(&v);
      break;
    case VT_R8:
    case VT_DATE:
      ar << vt << V_R8(&v);
      break;
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      ar << vt << V_UI8(&v);
      break;
    case VT_BSTR:
      ar << vt << CString(V_BSTR(&v) ? V_BSTR(&v) : u"", V_BSTR(&v) ? static_cast<int>(SysStringLen(V_BSTR(&v))) : 0);
      break;
    case VT_DECIMAL: {
      const DECIMAL& d = V_DECIMAL(&v);
      ar << vt << d.scale << d.sign << static_cast<DWORD>(d.Hi32) << static_cast<ULONGLONG>(d.Lo64);
      break;
    }
    default:
      ok = false;
  }
  VariantClear(&v);
  if (!ok) AfxThrowArchiveException(CArchiveException::genericException);
  return ar;
}

CArchive& operator>>(CArchive& ar, VARIANT& value) {
  WORD vt = 0;
  ar >> vt;
  VARIANT v;
  VariantInit(&v);
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I1:
    case VT_UI1:
      ar >> V_UI1(&v);
      break;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      ar >> V_UI2(&v);
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      ar >> V_UI4(&v);
      break;
    case VT_R4:
      ar >> V_R4(&v);
      break;
    case VT_R8:
    case VT_DATE:
      ar >> V_R8(&v);
      break;
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      ar >> V_UI8(&v);
      break;
    case VT_BSTR: {
      CString s;
      ar >> s;
      V_BSTR(&v) = SysAllocStringLen(s.GetString(), static_cast<UINT>(s.GetLength()));
      if (!V_BSTR(&v)) AfxThrowMemoryException();
      break;
    }
    case VT_DECIMAL: {
      BYTE scale = 0, sign = 0;
      DWORD hi = 0;
      ULONGLONG lo = 0;
      ar >> scale >> sign >> hi >> lo;
      V_DECIMAL(&v).scale = scale;
      V_DECIMAL(&v).sign = sign;
      V_DECIMAL(&v).Hi32 = hi;
      V_DECIMAL(&v).Lo64 = lo;
      break;
    }
    default:
      AfxThrowArchiveException(CArchiveException::genericException);
  }
  V_VT(&v) = vt;
  VariantClear(&value);
  value = v;
  return ar;
}

CArchive& operator<<(CArchive& ar, const COleDateTime& value) {
  return ar << static_cast<LONG>(value.m_status) << value.m_dt;
}

CArchive& operator>>(CArchive& ar, COleDateTime& value) {
  LONG status = 0;
  double dt = 0;
  ar >> status >> dt;
  value.m_dt = dt;
  value.m_status = status >= COleDateTime::error && status <= COleDateTime::null
                       ? static_cast<COleDateTime::DateTimeStatus>(status)
                       : COleDateTime::invalid;
  return ar;
}
