// Property exchange: the toolkit's one persistence interface.
//
// A component writes one DoPropExchange function that names its values by
// key and type; the same function stores and loads, because the exchange
// carries a loading flag and every typed call either writes the variable or
// fills it. Where the values go is decided by the flavour
// (propexchange_backends.h): an archive stream, a registry key or an INI
// file.
//
// Keyed flavours keep only what differs from its default: storing a value
// equal to its default removes the stored value, and loading an absent key
// gives the default back (both rules can be turned off per section).
//
// Exchanges are reference-counted command targets: a new one holds one
// reference, and sections and enumerator results are released by their
// caller (CTKPropExchangeSection does it on scope exit).
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "toolkit/common/propexchangeschema.h"

class CArchive;
class COleDateTime;
class COleVariant;
struct VARIANT;
struct RECT;
struct SIZE;
class CTKPropExchangeEnumerator;

// Type codes of ExchangeProp. Codes 2 to 17 are the VARIANT type numbers of
// the same types (VT_I2 16-bit, VT_I4 32-bit, VT_R4 float, VT_R8 double,
// VT_CY pair of 32-bit words, VT_DATE COleDateTime, VT_BSTR system string,
// VT_BOOL 32-bit BOOL, VT_VARIANT VARIANT, VT_UI1 byte); these are the
// toolkit's own:
constexpr unsigned short VT_TK_STRING = 30;  // CString (its default is a wide C string)
constexpr unsigned short VT_TK_RECT = 100;   // RECT: left, top, right, bottom
constexpr unsigned short VT_TK_SIZE = 101;   // SIZE or POINT: two 32-bit integers
constexpr unsigned short VT_TK_POINT = 101;

class CTKPropExchange : public CCmdTarget {
  DECLARE_DYNAMIC(CTKPropExchange)
 public:
  CTKPropExchange();
  ~CTKPropExchange() override;

  BOOL IsLoading() const { return m_bLoading; }
  BOOL IsStoring() const { return !m_bLoading; }
  BOOL IsRootSection() const { return !m_bChildSection; }
  void UseDefaultOnLoad(BOOL use) { m_bUseDefaultOnLoad = use; }
  void UseDefaultOnSave(BOOL use) { m_bUseDefaultOnSave = use; }

  // ---- operations a flavour supplies or overrides ----------------------------------
  // Stores or loads one value of the type. `defaultValue` may be null (no
  // default); for VT_TK_STRING it is a wide C string, otherwise a value of
  // the type.
  virtual BOOL ExchangeProp(LPCTSTR key, unsigned short type, void* value, const void* defaultValue) = 0;
  // Stores *bytes (*count of them), or loads: with *data null a block is
  // allocated with malloc (the caller frees it) and *count set; with a
  // given block smaller than the stored length the call fails.
  virtual BOOL ExchangeBlob(LPCTSTR key, BYTE** data, DWORD* count);
  // Stores the class by name (left out when it is the default), or loads
  // the class record: an unknown name fails with a null class, an absent
  // key gives the default class.
  virtual BOOL ExchangeObjectClass(LPCTSTR key, CRuntimeClass** cls, CRuntimeClass* defaultClass);
  // Stores the object's class under "Class", or loads the class and creates
  // the object. Stored data is untrusted: only a class derived from
  // `expected` is ever created; otherwise *object is null and FALSE.
  virtual BOOL ExchangeObject(CObject** object, CRuntimeClass* expected);
  // An archive an object can serialise itself into (or out of), or null;
  // finish it with ReleaseArchive.
  virtual CArchive* GetArchive(LPCTSTR key);
  virtual void ReleaseArchive(LPCTSTR key, CArchive* archive);
  // A new child exchange (one reference) for the named section.
  virtual CTKPropExchange* GetSection(LPCTSTR section) = 0;
  // Before storing: removes what the section holds.
  virtual void EmptySection();
  virtual void WriteCount(DWORD count);
  virtual DWORD ReadCount();
  virtual BOOL WriteBinary(LPCTSTR key, BYTE* data, DWORD count);
  // Bytes read into the buffer, 0 on failure.
  virtual DWORD ReadBinary(LPCTSTR key, BYTE* buffer, DWORD count);
  // Stores `count` bytes, or loads exactly `count` bytes into `data`: a
  // block that is missing or of another length fails and leaves the bytes
  // as they were.
  BOOL ExchangeBinary(LPCTSTR key, BYTE* data, DWORD count);
  // TRUE when values are found by key, so a value may be left out.
  virtual BOOL StoresByName();
  // TRUE when the storage keeps byte blocks as such.
  virtual BOOL AllowsBinaryValues();
  virtual BOOL OpenStorage();
  // A new enumerator over the sections prefix0, prefix1 ...; the caller
  // deletes it.
  virtual CTKPropExchangeEnumerator* GetEnumerator(LPCTSTR prefix);
  // Exchanges the schema, accepting data written without one.
  virtual BOOL ExchangeSchemaTolerant();

  // ---- helpers -----------------------------------------------------------------------
  // "Schema" with the default kTKSchemaCurrent.
  BOOL ExchangeSchema();
  // "Locale" into the process-wide locale with the default -1.
  BOOL ExchangeLocale();
  // A child takes the parent's schema, owner, emptied flag and default modes.
  void InheritSettings(const CTKPropExchange* parent);

  static BOOL IsSameValue(unsigned short type, const void* value, const void* other);
  static BOOL CopyValue(unsigned short type, void* destination, const void* source);
  static int GetValueSize(unsigned short type);

  // Escapes a string when storing, unescapes it when loading.
  void EscapeText(CString& text) const;
  // The text form of a date: formats it when storing, parses the text when
  // loading (FALSE when the text is no date).
  BOOL ExchangeDateText(CString& text, COleDateTime& date) const;
  // The text form of a value of the type: storing fills `text` (FALSE when
  // the type has no text form); loading parses `text` into the value, or
  // copies the default when the text does not parse (dates fail instead).
  BOOL ExchangeValueText(CString& text, unsigned short type, void* value, const void* defaultValue) const;

  // ---- fields ------------------------------------------------------------------------
  void* m_pOwner = nullptr;       // caller's context; inherited by sections
  void* m_pLoadParent = nullptr;  // second context for one section; not inherited
  BOOL m_bLoading = FALSE;
  int m_nSchema;  // kTKSchemaCurrent in a new exchange (propexchangeschema.h)
  BOOL m_bChildSection = FALSE;
  BOOL m_bEmptySection = FALSE;  // nothing stored to delete: values equal to defaults are left alone
  BOOL m_bInitialized = FALSE;   // OpenStorage ran
  BOOL m_bUseDefaultOnLoad = TRUE;
  BOOL m_bUseDefaultOnSave = TRUE;

  // The process-wide locale of date and VARIANT texts; -1 selects the
  // toolkit's fixed forms.
  static LONG s_nLocale;
};

// Walks the sections prefix0, prefix1 ... of an exchange.
class CTKPropExchangeEnumerator {
 public:
  CTKPropExchangeEnumerator(CTKPropExchange* container, LPCTSTR prefix);
  virtual ~CTKPropExchangeEnumerator();

  // Starts the run with `count` entries: storing writes the count, loading
  // reads it (through WriteCount/ReadCount when `compact`, else as "Count").
  // Non-zero exactly when entries follow.
  virtual POSITION GetPosition(DWORD count = 0, BOOL compact = TRUE);
  // The section of the next entry (one reference, released by the caller);
  // `pos` becomes 0 after the last one.
  virtual CTKPropExchange* GetNext(POSITION& pos);
  virtual DWORD GetCount() const { return m_nCount; }

 protected:
  CTKPropExchange* m_pContainer;  // not owned, not referenced
  CString m_strPrefix;
  DWORD m_nCount = 0;
};

class CTKPropExchangeSection;
class CTKPropExchangeEnumeratorHolder;
// Releases the exchange a section holder holds, if any, and empties the
// holder (its destructor then has nothing left to release).
void ReleaseHeldCmdTarget(CTKPropExchangeSection& holder);
// Deletes the enumerator an enumerator holder owns, if any, and empties it.
void DeleteHeldObject(CTKPropExchangeEnumeratorHolder& holder);

// Holds one section for a scope and releases it at the end.
class CTKPropExchangeSection {
 public:
  explicit CTKPropExchangeSection(CTKPropExchange* section) noexcept : m_pPX(section) {}
  ~CTKPropExchangeSection();
  CTKPropExchangeSection(const CTKPropExchangeSection&) = delete;
  CTKPropExchangeSection& operator=(const CTKPropExchangeSection&) = delete;

  CTKPropExchange* operator->() const noexcept { return m_pPX; }
  operator CTKPropExchange*() const noexcept { return m_pPX; }  // NOLINT
  CTKPropExchange* GetExchange() const noexcept { return m_pPX; }

 protected:
  friend void ReleaseHeldCmdTarget(CTKPropExchangeSection& holder);
  CTKPropExchangeSection() noexcept = default;
  CTKPropExchange* m_pPX = nullptr;
};

// Owns one enumerator for a scope and deletes it at the end.
class CTKPropExchangeEnumeratorHolder {
 public:
  explicit CTKPropExchangeEnumeratorHolder(CTKPropExchangeEnumerator* enumerator) noexcept
      : m_pEnumerator(enumerator) {}
  ~CTKPropExchangeEnumeratorHolder() { DeleteHeldObject(*this); }
  CTKPropExchangeEnumeratorHolder(const CTKPropExchangeEnumeratorHolder&) = delete;
  CTKPropExchangeEnumeratorHolder& operator=(const CTKPropExchangeEnumeratorHolder&) = delete;

  CTKPropExchangeEnumerator* operator->() const noexcept { return m_pEnumerator; }
  operator CTKPropExchangeEnumerator*() const noexcept { return m_pEnumerator; }  // NOLINT

 private:
  friend void DeleteHeldObject(CTKPropExchangeEnumeratorHolder& holder);
  CTKPropExchangeEnumerator* m_pEnumerator;
};

// ---- typed exchange functions ----------------------------------------------------------
// Each returns FALSE at once for a null exchange, otherwise what the
// exchange returns.
BOOL PropExchangeByteDefault(CTKPropExchange* px, LPCTSTR key, BYTE* value, BYTE defaultValue);
BOOL PropExchangeShortDefault(CTKPropExchange* px, LPCTSTR key, short* value, short defaultValue);
BOOL PropExchangeInt(CTKPropExchange* px, LPCTSTR key, int* value);
BOOL PropExchangeIntDefault(CTKPropExchange* px, LPCTSTR key, int* value, int defaultValue);
BOOL PropExchangeBool(CTKPropExchange* px, LPCTSTR key, BOOL* value);
BOOL PropExchangeBoolDefault(CTKPropExchange* px, LPCTSTR key, BOOL* value, BOOL defaultValue);
BOOL PropExchangeString(CTKPropExchange* px, LPCTSTR key, CString* value);
BOOL PropExchangeStringDefault(CTKPropExchange* px, LPCTSTR key, CString* value, LPCTSTR defaultValue);
BOOL PropExchangeDouble(CTKPropExchange* px, LPCTSTR key, double* value);
BOOL PropExchangeDateTime(CTKPropExchange* px, LPCTSTR key, COleDateTime* value);
BOOL PropExchangeSize(CTKPropExchange* px, LPCTSTR key, SIZE* value, const SIZE& defaultValue);
BOOL PropExchangeRect(CTKPropExchange* px, LPCTSTR key, RECT* value, const RECT& defaultValue);
// The default VARIANT is the caller's temporary: a plain VARIANT passed by
// value is cleared after the call (also with a null exchange); a
// COleVariant clears itself.
BOOL PropExchangeVariant(CTKPropExchange* px, LPCTSTR key, VARIANT* value, VARIANT defaultValue);
BOOL PropExchangeVariant(CTKPropExchange* px, LPCTSTR key, VARIANT* value, const COleVariant& defaultValue);
// Travels as a VT_TK_SIZE pair: high half first, low half second.
BOOL PropExchangeUInt64(CTKPropExchange* px, LPCTSTR key, ULONGLONG* value, ULONGLONG defaultValue = 0);
BOOL PropExchangeRuntimeClass(CTKPropExchange* px, LPCTSTR key, CRuntimeClass** cls, CRuntimeClass* defaultClass);
BOOL PropExchangeBlob(CTKPropExchange* px, LPCTSTR key, BYTE** data, DWORD* count);
// The object's archive form under the key; archive and OLE exceptions give
// FALSE.
BOOL PropExchangeSerialize(CTKPropExchange* px, LPCTSTR key, CObject* object);
