// CArchive: the framework's binary serialisation over a CFile.
//
// Stored forms (all integers little-endian):
// - typed values: BYTE/char/bool 1 byte, WORD/short/WCHAR 2, LONG/DWORD/int/
//   UINT/float 4, LONGLONG/ULONGLONG/double 8;
// - counts (WriteCount): a WORD below 0xFFFF, else 0xFFFF and a DWORD below
//   0xFFFFFFFF, else 0xFFFFFFFF and a 64-bit count;
// - strings: an optional Unicode marker (BYTE 0xFF, WORD 0xFFFE), then the
//   length in characters as a BYTE below 0xFF, else 0xFF and a WORD below
//   0xFFFE, else 0xFFFF and a DWORD below 0xFFFFFFFF, else 0xFFFFFFFF and a
//   64-bit length; then the characters (UTF-16 units with the marker,
//   single bytes without it). Strings are written wide; both are read.
// - classes (WriteClass): the first time WORD 0xFFFF, WORD schema, WORD
//   name length and the name's bytes; later WORD 0x8000|index, or for an
//   index of 0x7FFF or more WORD 0x7FFF and DWORD 0x80000000|index.
// - objects (WriteObject): WORD 0 for NULL; an object already written as
//   its index (WORD, or WORD 0x7FFF and a DWORD); a new object as its
//   class reference followed by what its Serialize writes. Classes and
//   objects share one numbering from 1.
//
// Reading never goes past the data: a short file, an unknown or unexpected
// class, an incompatible schema or an index that was never assigned raise
// CArchiveException (endOfFile, badClass, badSchema, badIndex).
#pragma once

#include <memory>

#include "platform/base/cstring.h"
#include "platform/base/object.h"

class CFile;
class CDocument;

class CArchive {
 public:
  enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

  // The buffer is at least 16 bytes; lpBuf, when given, must hold bufSize
  // bytes and outlive the archive.
  CArchive(CFile* file, UINT mode, int bufSize = 4096, void* lpBuf = nullptr);
  // Closes (flushing a storing archive) unless bNoFlushOnDelete; errors
  // raised while doing so are dropped.
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const noexcept { return (m_nMode & load) != 0; }
  BOOL IsStoring() const noexcept { return (m_nMode & load) == 0; }
  BOOL IsByteSwapping() const noexcept { return FALSE; }
  BOOL IsBufferEmpty() const noexcept { return m_lpBufCur == m_lpBufMax; }
  CFile* GetFile() const noexcept { return m_pFile; }

  // The schema of the object being loaded; reading it resets it to -1, so
  // a second call tells that it was already taken.
  UINT GetObjectSchema() noexcept {
    UINT schema = m_nObjectSchema;
    m_nObjectSchema = static_cast<UINT>(-1);
    return schema;
  }
  void SetObjectSchema(UINT schema) noexcept { m_nObjectSchema = schema; }

  // Raw bytes. Read answers fewer bytes when the data ends.
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);
  // Storing: writes the buffer out. Loading: gives back to the file the
  // bytes read ahead, so the file position follows what was consumed.
  void Flush();
  void Close();
  // Drops the archive without writing or raising.
  void Abort() noexcept;

  // Text lines as UTF-16 units, no terminator. ReadString(CString&) takes
  // a line without its "\n" or "\r\n"; FALSE at the end of the data.
  void WriteString(LPCTSTR text);
  BOOL ReadString(CString& text);
  // Up to maxChars-1 units, stopping after a "\n" (kept, a "\r" before it
  // dropped); NULL at the end of the data.
  LPTSTR ReadString(LPTSTR buffer, UINT maxChars);

  void WriteCount(DWORD_PTR count);
  DWORD_PTR ReadCount();

  void WriteObject(const CObject* object);
  CObject* ReadObject(const CRuntimeClass* requested);
  void WriteClass(const CRuntimeClass* cls);
  // Reads a class reference. With objectTag NULL a reference to an object
  // raises badIndex; otherwise that tag is returned through it with NULL.
  // The schema goes to *schema, or to m_nObjectSchema when schema is NULL.
  CRuntimeClass* ReadClass(const CRuntimeClass* requested = nullptr, UINT* schema = nullptr,
                           DWORD* objectTag = nullptr);
  void SerializeClass(const CRuntimeClass* cls);
  // Gives an object a number without writing it (objects an archive
  // refers to but does not store itself).
  void MapObject(const CObject* object);
  void SetStoreParams(UINT hashSize = 2053, UINT blockSize = 128) noexcept {}
  void SetLoadParams(UINT growBy = 1024) noexcept {}

  // ---- typed values ----------------------------------------------------------------
  CArchive& operator<<(BYTE v) { return Put(v); }
  CArchive& operator<<(char v) { return Put(v); }
  CArchive& operator<<(signed char v) { return Put(v); }
  CArchive& operator<<(bool v) { return Put(static_cast<BYTE>(v ? 1 : 0)); }
  CArchive& operator<<(WORD v) { return Put(v); }
  CArchive& operator<<(short v) { return Put(v); }
  CArchive& operator<<(char16_t v) { return Put(static_cast<WORD>(v)); }
  CArchive& operator<<(int v) { return Put(static_cast<LONG>(v)); }
  CArchive& operator<<(unsigned int v) { return Put(static_cast<DWORD>(v)); }
  CArchive& operator<<(long v) { return Put(static_cast<LONGLONG>(v)); }
  CArchive& operator<<(unsigned long v) { return Put(static_cast<ULONGLONG>(v)); }
  CArchive& operator<<(long long v) { return Put(static_cast<LONGLONG>(v)); }
  CArchive& operator<<(unsigned long long v) { return Put(static_cast<ULONGLONG>(v)); }
  CArchive& operator<<(float v) { return Put(v); }
  CArchive& operator<<(double v) { return Put(v); }
  CArchive& operator<<(const CString& s);
  // Character pointers are written as strings (not as a bool, which is
  // what a pointer would otherwise convert to). Narrow text is UTF-8.
  CArchive& operator<<(LPCWSTR s) { return *this << CString(s); }
  CArchive& operator<<(LPCSTR s) { return *this << CString(s); }
  CArchive& operator<<(const CObject* object) {
    WriteObject(object);
    return *this;
  }

  CArchive& operator>>(BYTE& v) { return Get(v); }
  CArchive& operator>>(char& v) { return Get(v); }
  CArchive& operator>>(signed char& v) { return Get(v); }
  CArchive& operator>>(bool& v) {
    BYTE b;
    Get(b);
    v = b != 0;
    return *this;
  }
  CArchive& operator>>(WORD& v) { return Get(v); }
  CArchive& operator>>(short& v) { return Get(v); }
  CArchive& operator>>(char16_t& v) { return Get(v); }
  CArchive& operator>>(int& v) { return Get(v); }
  CArchive& operator>>(unsigned int& v) { return Get(v); }
  CArchive& operator>>(long& v) { return Get(v); }
  CArchive& operator>>(unsigned long& v) { return Get(v); }
  CArchive& operator>>(long long& v) { return Get(v); }
  CArchive& operator>>(unsigned long long& v) { return Get(v); }
  CArchive& operator>>(float& v) { return Get(v); }
  CArchive& operator>>(double& v) { return Get(v); }
  CArchive& operator>>(CString& s);
  CArchive& operator>>(CObject*& object) {
    object = ReadObject(nullptr);
    return *this;
  }
  CArchive& operator>>(const CObject*& object) {
    object = ReadObject(nullptr);
    return *this;
  }

  UINT m_nObjectSchema = static_cast<UINT>(-1);
  CString m_strFileName;
  CDocument* m_pDocument = nullptr;

  // Tags of the stored class and object references.
  static constexpr WORD wNullTag = 0;
  static constexpr WORD wNewClassTag = 0xFFFF;
  static constexpr WORD wClassTag = 0x8000;
  static constexpr DWORD dwBigClassTag = 0x80000000u;
  static constexpr WORD wBigObjectTag = 0x7FFF;
  static constexpr DWORD nMaxMapCount = 0x3FFFFFFEu;
  // Objects being read inside one another; deeper data is refused
  // (genericException) before it can exhaust the stack.
  static constexpr UINT nMaxReadDepth = 4096;

 protected:
  template <class T>
  CArchive& Put(T v) {
    static_assert(sizeof(T) <= 8);
    if (m_lpBufCur + sizeof(T) > m_lpBufMax || IsLoading()) PrepareWrite(sizeof(T));
    __builtin_memcpy(m_lpBufCur, &v, sizeof(T));
    m_lpBufCur += sizeof(T);
    return *this;
  }
  template <class T>
  CArchive& Get(T& v) {
    static_assert(sizeof(T) <= 8);
    if (m_lpBufCur + sizeof(T) > m_lpBufMax || IsStoring()) FillBuffer(sizeof(T));
    __builtin_memcpy(&v, m_lpBufCur, sizeof(T));
    m_lpBufCur += sizeof(T);
    return *this;
  }
  // Loading: makes at least `needed` bytes available or raises endOfFile.
  void FillBuffer(UINT needed);
  // Storing: makes room for `needed` bytes.
  void PrepareWrite(UINT needed);
  void CheckCount();
  void WriteStringLength(ULONGLONG length, bool wide);
  ULONGLONG ReadStringLength(bool& wide);
  [[noreturn]] void Throw(int cause) const;

  struct ObjectMaps;

  UINT m_nMode;
  CFile* m_pFile;
  BYTE* m_lpBufStart;
  BYTE* m_lpBufCur;
  BYTE* m_lpBufMax;
  UINT m_nBufSize;
  bool m_bUserBuf;
  DWORD m_nMapCount = 0;
  UINT m_nReadDepth = 0;
  std::unique_ptr<ObjectMaps> m_pMaps;
};

// The archive forms of the Automation values (platform/base/variant.h,
// oledatetime.h):
// - VARIANT (and COleVariant): WORD type, then the value: nothing for
//   VT_EMPTY/VT_NULL; 1 byte for VT_I1/VT_UI1; 2 for VT_I2/VT_UI2/VT_BOOL;
//   4 for VT_I4/VT_UI4/VT_INT/VT_UINT/VT_ERROR and VT_R4; 8 for VT_R8/
//   VT_DATE and VT_CY/VT_I8/VT_UI8; a string (above) for VT_BSTR; BYTE
//   scale, BYTE sign, DWORD high and 64-bit low part for VT_DECIMAL. A
//   VT_BYREF value is stored as the value it refers to. Other types
//   (interfaces, arrays) have no stored form: storing or loading one raises
//   CArchiveException (genericException) and writes or changes nothing.
//   Loading replaces (clears) the target only once the whole value is read.
// - COleDateTime: its status as a 4-byte integer, then its value as a
//   double. A stored status that is none of error, valid, invalid and null
//   loads as invalid.
struct VARIANT;
class COleDateTime;
CArchive& operator<<(CArchive& ar, const VARIANT& value);
CArchive& operator>>(CArchive& ar, VARIANT& value);
CArchive& operator<<(CArchive& ar, const COleDateTime& value);
CArchive& operator>>(CArchive& ar, COleDateTime& value);
