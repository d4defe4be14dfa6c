#include "toolkit/common/propexchange_backends.h"
#include "toolkit/common/propexchangeschema.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/bstr.h"
#include "platform/base/exceptions.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"
#include "platform/system/files.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"
#include "toolkit/common/registrymanager.h"

IMPLEMENT_DYNAMIC(CTKPropExchangeArchive, CTKPropExchange)
IMPLEMENT_DYNAMIC(CTKPropExchangeRegistry, CTKPropExchange)
IMPLEMENT_DYNAMIC(CTKPropExchangeIniFile, CTKPropExchange)

namespace {

[[noreturn]] void ThrowArchive(int cause) { AfxThrowArchiveException(cause); }

// Reads exactly `count` bytes or raises end-of-file.
void ReadExact(CArchive& ar, void* buffer, DWORD count) {
  BYTE* out = static_cast<BYTE*>(buffer);
  while (count) {
    UINT step = count > 0x10000 ? 0x10000 : count;
    UINT got = ar.Read(out, step);
    if (got != step) ThrowArchive(CArchiveException::endOfFile);
    out += step;
    count -= step;
  }
}

// A block of a stored length. The length is untrusted, so the block grows
// with the bytes actually read instead of being allocated up front.
BYTE* ReadBlock(CArchive& ar, DWORD count) {
  std::vector<BYTE> bytes;
  while (bytes.size() < count) {
    std::size_t step = count - bytes.size();
    if (step > 0x10000) step = 0x10000;
    std::size_t at = bytes.size();
    bytes.resize(at + step);
    ReadExact(ar, bytes.data() + at, static_cast<DWORD>(step));
  }
  BYTE* block = static_cast<BYTE*>(std::malloc(count ? count : 1));
  if (!block) AfxThrowMemoryException();
  if (count) std::memcpy(block, bytes.data(), count);
  return block;
}

// Looks at the next four bytes of a loading archive without consuming
// them; false when fewer than four remain.
struct ArchivePeek : CArchive {
  static bool PeekDword(CArchive& ar, DWORD* out) {
    void (CArchive::*fill)(UINT) = &ArchivePeek::FillBuffer;
    BYTE* CArchive::*cur = &ArchivePeek::m_lpBufCur;
    try {
      (ar.*fill)(sizeof(DWORD));
    } catch (CArchiveException* e) {
      if (e->m_cause != CArchiveException::endOfFile) throw;
      e->Delete();
      return false;
    }
    std::memcpy(out, ar.*cur, sizeof(DWORD));
    return true;
  }
};

}  // namespace

// ---- archive ----------------------------------------------------------------------------------

CTKPropExchangeArchive::CTKPropExchangeArchive(CArchive& archive) : m_pArchive(&archive) {
  m_bLoading = archive.IsLoading();
}

CTKPropExchangeArchive::CTKPropExchangeArchive(CArchive* archive) : m_pArchive(archive) {
  if (!archive) AfxThrowInvalidArgException();
  m_bLoading = archive->IsLoading();
}

BOOL CTKPropExchangeArchive::ExchangeProp(LPCTSTR, unsigned short type, void* value, const void*) {
  CArchive& ar = *m_pArchive;
  if (!value) return FALSE;
  switch (type) {
    case VT_UI1:
      if (m_bLoading) ar >> *static_cast<BYTE*>(value);
      else ar << *static_cast<BYTE*>(value);
      break;
    case VT_I2:
      if (m_bLoading) ar >> *static_cast<short*>(value);
      else ar << *static_cast<short*>(value);
      break;
    case VT_I4:
    case VT_BOOL:
      if (m_bLoading) ar >> *static_cast<int*>(value);
      else ar << *static_cast<int*>(value);
      break;
    case VT_R4:
      if (m_bLoading) ar >> *static_cast<float*>(value);
      else ar << *static_cast<float*>(value);
      break;
    case VT_R8:
      if (m_bLoading) ar >> *static_cast<double*>(value);
      else ar << *static_cast<double*>(value);
      break;
    case VT_CY: {
      DWORD* words = static_cast<DWORD*>(value);
      if (m_bLoading) ar >> words[0] >> words[1];
      else ar << words[0] << words[1];
      break;
    }
    case VT_DATE:
      if (m_bLoading) ar >> *static_cast<COleDateTime*>(value);
      else ar << *static_cast<const COleDateTime*>(value);
      break;
    case VT_VARIANT:
      if (m_bLoading) ar >> *static_cast<VARIANT*>(value);
      else ar << *static_cast<const VARIANT*>(value);
      break;
    case VT_TK_STRING:
      if (m_bLoading) ar >> *static_cast<CString*>(value);
      else ar << *static_cast<CString*>(value);
      break;
    case VT_TK_RECT:
    case VT_TK_SIZE: {
      DWORD size = static_cast<DWORD>(GetValueSize(type));
      if (m_bLoading) ReadExact(ar, value, size);
      else ar.Write(value, size);
      break;
    }
    default:
      break;  // no stored form: nothing is written or read
  }
  return TRUE;
}

BOOL CTKPropExchangeArchive::ExchangeBlob(LPCTSTR, BYTE** data, DWORD* count) {
  if (!data || !count) return FALSE;
  CArchive& ar = *m_pArchive;
  if (!m_bLoading) {
    DWORD n = *data ? *count : 0;
    ar.WriteCount(n);
    if (n) ar.Write(*data, n);
    return TRUE;
  }
  DWORD_PTR stored = ar.ReadCount();
  if (stored > 0xFFFFFFFFu) ThrowArchive(CArchiveException::endOfFile);
  DWORD n = static_cast<DWORD>(stored);
  if (*data) {
    if (*count < n) return FALSE;
    ReadExact(ar, *data, n);
  } else {
    *data = ReadBlock(ar, n);
  }
  *count = n;
  return TRUE;
}

BOOL CTKPropExchangeArchive::ExchangeObjectClass(LPCTSTR, CRuntimeClass** cls, CRuntimeClass* defaultClass) {
  if (!cls) return FALSE;
  if (!m_bLoading) {
    // A class must be written: the reader expects one here.
    if (!*cls) ThrowArchive(CArchiveException::badClass);
    m_pArchive->WriteClass(*cls);
    return TRUE;
  }
  UINT schema = 0;
  *cls = m_pArchive->ReadClass(defaultClass, &schema);
  if (*cls) m_nSchema = static_cast<int>(schema);
  return *cls != nullptr;
}

BOOL CTKPropExchangeArchive::ExchangeObject(CObject** object, CRuntimeClass* expected) {
  BOOL ok = CTKPropExchange::ExchangeObject(object, expected);
  // Later object references in the same archive may point at it.
  if (ok && object && *object) m_pArchive->MapObject(*object);
  return ok;
}

CArchive* CTKPropExchangeArchive::GetArchive(LPCTSTR) { return m_pArchive; }

void CTKPropExchangeArchive::ReleaseArchive(LPCTSTR, CArchive*) {}

CTKPropExchange* CTKPropExchangeArchive::GetSection(LPCTSTR) {
  auto* section = new CTKPropExchangeArchive(*m_pArchive);
  section->InheritSettings(this);
  return section;
}

void CTKPropExchangeArchive::WriteCount(DWORD count) { m_pArchive->WriteCount(count); }

DWORD CTKPropExchangeArchive::ReadCount() {
  DWORD_PTR count = m_pArchive->ReadCount();
  if (count > 0xFFFFFFFFu) ThrowArchive(CArchiveException::endOfFile);
  return static_cast<DWORD>(count);
}

BOOL CTKPropExchangeArchive::WriteBinary(LPCTSTR, BYTE* data, DWORD count) {
  if (count && !data) return FALSE;
  m_pArchive->Write(data, count);
  return TRUE;
}

DWORD CTKPropExchangeArchive::ReadBinary(LPCTSTR, BYTE* buffer, DWORD count) {
  if (!buffer) return 0;
  return m_pArchive->Read(buffer, count);
}

BOOL CTKPropExchangeArchive::ExchangeSchemaTolerant() {
  CArchive& ar = *m_pArchive;
  if (!m_bLoading) {
    ar << kSchemaMarker << static_cast<DWORD>(m_nSchema);
    return TRUE;
  }
  DWORD next = 0;
  if (ArchivePeek::PeekDword(ar, &next) && next == kSchemaMarker) {
    DWORD schema = 0;
    ar >> next >> schema;
    m_nSchema = static_cast<int>(schema);
  } else {
    m_nSchema = kTKSchemaUnmarkedArchive;
  }
  return TRUE;
}

// ---- registry ---------------------------------------------------------------------------------

namespace {

HKEY OpenApplicationKey() {
  CTKRegistryManager manager(HKEY_CURRENT_USER);
  return manager.OpenAppKey(KEY_READ | KEY_WRITE);
}

// The text of a REG_SZ-like value, cut at its first zero unit.
bool QueryText(HKEY key, LPCTSTR name, CString& text) {
  DWORD bytes = 0;
  if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return false;
  std::u16string buffer(bytes / 2 + 1, u'\0');
  DWORD size = bytes;
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
    return false;
  text = CString(buffer.c_str());
  return true;
}

}  // namespace

CTKPropExchangeRegistry::CTKPropExchangeRegistry(BOOL loading, HKEY parentKey, LPCTSTR section)
    : CTKPropExchangeRegistry(ChildTag{}, loading, parentKey, section) {
  if (!m_hParentKey) {
    m_hParentKey = OpenApplicationKey();
    m_bCloseParentKey = m_hParentKey != nullptr;
  }
}

CTKPropExchangeRegistry::CTKPropExchangeRegistry(ChildTag, BOOL loading, HKEY parentKey, LPCTSTR section)
    : m_hParentKey(parentKey), m_strSectionName(section), m_pBatch(std::make_unique<pv::RegistryWriteBatch>()) {
  m_bLoading = loading;
}

CTKPropExchangeRegistry::~CTKPropExchangeRegistry() {
  if (m_hSectionKey) RegCloseKey(m_hSectionKey);
  if (m_bCloseParentKey && m_hParentKey) RegCloseKey(m_hParentKey);
}

BOOL CTKPropExchangeRegistry::OpenStorage() {
  if (!m_hParentKey) return FALSE;
  if (!m_bInitialized) {
    m_bInitialized = TRUE;
    HKEY key = nullptr;
    if (RegCreateKeyExW(m_hParentKey, m_strSectionName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        m_bLoading ? KEY_READ : KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS)
      m_hSectionKey = key;
  }
  return m_hSectionKey != nullptr;
}

BOOL CTKPropExchangeRegistry::ExchangeProp(LPCTSTR key, unsigned short type, void* value, const void* defaultValue) {
  if (!value) return FALSE;
  if (!m_bLoading) {
    if (!m_bUseDefaultOnSave) defaultValue = nullptr;
    if (!OpenStorage()) return FALSE;
    if (defaultValue && IsSameValue(type, value, defaultValue)) {
      if (!m_bEmptySection) RegDeleteValueW(m_hSectionKey, key);
      return TRUE;
    }
    switch (type) {
      case VT_I2:
      case VT_I4:
      case VT_BOOL:
      case VT_UI1: {
        DWORD word = 0;
        std::memcpy(&word, value, static_cast<std::size_t>(GetValueSize(type)));
        return RegSetValueExW(m_hSectionKey, key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), 4) ==
               ERROR_SUCCESS;
      }
      case VT_R4:
      case VT_R8:
        return RegSetValueExW(m_hSectionKey, key, 0, REG_BINARY, static_cast<const BYTE*>(value),
                              static_cast<DWORD>(GetValueSize(type))) == ERROR_SUCCESS;
      case VT_TK_STRING:
      case VT_TK_RECT:
      case VT_TK_SIZE: {
        CString text;
        if (type == VT_TK_STRING) text = *static_cast<const CString*>(value);
        else ExchangeValueText(text, type, value, nullptr);
        return RegSetValueExW(m_hSectionKey, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()),
                              static_cast<DWORD>((text.GetLength() + 1) * 2)) == ERROR_SUCCESS;
      }
      default:
        return FALSE;  // dates, VARIANTs, pairs and system strings have no registry form
    }
  }

  if (!m_bUseDefaultOnLoad) defaultValue = nullptr;
  if (!OpenStorage()) return CopyValue(type, value, defaultValue);
  switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_UI1: {
      DWORD word = 0, size = 4;
      if (RegQueryValueExW(m_hSectionKey, key, nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size) !=
          ERROR_SUCCESS)
        return CopyValue(type, value, defaultValue);
      std::memcpy(value, &word, static_cast<std::size_t>(GetValueSize(type)));
      return TRUE;
    }
    case VT_R4:
    case VT_R8: {
      // Only a value of the type's exact size is taken: a shorter one would
      // leave part of the variable as it was.
      BYTE bytes[8];
      DWORD want = static_cast<DWORD>(GetValueSize(type)), size = want;
      if (RegQueryValueExW(m_hSectionKey, key, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS || size != want)
        return CopyValue(type, value, defaultValue);
      std::memcpy(value, bytes, want);
      return TRUE;
    }
    case VT_TK_STRING:
    case VT_TK_RECT:
    case VT_TK_SIZE: {
      CString text;
      if (!QueryText(m_hSectionKey, key, text)) return CopyValue(type, value, defaultValue);
      if (type == VT_TK_STRING) {
        *static_cast<CString*>(value) = text;
        return TRUE;
      }
      return ExchangeValueText(text, type, value, defaultValue);
    }
    default:
      return FALSE;
  }
}

BOOL CTKPropExchangeRegistry::ExchangeBlob(LPCTSTR key, BYTE** data, DWORD* count) {
  if (!data || !count) return FALSE;
  if (!OpenStorage()) return FALSE;
  if (!m_bLoading) {
    DWORD n = *data ? *count : 0;
    return RegSetValueExW(m_hSectionKey, key, 0, REG_BINARY, *data, n) == ERROR_SUCCESS;
  }
  DWORD size = 0;
  if (RegQueryValueExW(m_hSectionKey, key, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return FALSE;
  if (*data) {
    if (*count < size) return FALSE;
    if (RegQueryValueExW(m_hSectionKey, key, nullptr, nullptr, *data, &size) != ERROR_SUCCESS) return FALSE;
    *count = size;
    return TRUE;
  }
  BYTE* block = static_cast<BYTE*>(std::malloc(size ? size : 1));
  if (!block) return FALSE;
  if (RegQueryValueExW(m_hSectionKey, key, nullptr, nullptr, block, &size) != ERROR_SUCCESS) {
    std::free(block);
    return FALSE;
  }
  *data = block;
  *count = size;
  return TRUE;
}

CTKPropExchange* CTKPropExchangeRegistry::GetSection(LPCTSTR section) {
  OpenStorage();
  // A section under a key that did not open has no parent and fails every
  // operation (it never falls back to the application's key).
  auto* child = new CTKPropExchangeRegistry(ChildTag{}, m_bLoading, m_hSectionKey, section);
  child->InheritSettings(this);
  return child;
}

void CTKPropExchangeRegistry::EmptySection() {
  m_bEmptySection = TRUE;
  if (m_hSectionKey) {
    RegCloseKey(m_hSectionKey);
    m_hSectionKey = nullptr;
  }
  if (m_hParentKey) RegDeleteTreeW(m_hParentKey, m_strSectionName);
  m_bInitialized = FALSE;
}

// ---- INI file ---------------------------------------------------------------------------------

namespace {

// The profile reader trims values and removes one pair of surrounding
// quotes; quoting such text keeps it whole.
CString ProtectForProfile(const CString& text) {
  std::u16string_view v = text.View();
  if (v.empty()) return text;
  bool blankEnds = v.front() == u' ' || v.back() == u' ' || v.front() == u'\t' || v.back() == u'\t';
  bool quoted = v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
  if (!blankEnds && !quoted) return text;
  return CString(u"\"") + text + u"\"";
}

}  // namespace

CTKPropExchangeIniFile::CTKPropExchangeIniFile(BOOL loading, LPCTSTR parentSection, LPCTSTR section)
    : m_pTempFileDeleted(std::make_shared<bool>(false)), m_pBatch(std::make_unique<pv::ProfileWriteBatch>()) {
  m_bLoading = loading;
  // A fresh temporary file holds nothing to delete.
  m_bEmptySection = TRUE;
  if (parentSection) {
    m_strSectionName = parentSection;
    m_strSectionName += u'\\';
    m_strSectionName += section ? section : u"";
  } else if (section) {
    m_strSectionName = section;
  }
}

CTKPropExchangeIniFile::~CTKPropExchangeIniFile() {
  if (!m_bChildSection && m_bTempFile && !m_strFileName.IsEmpty()) {
    // Sections that outlive the root find the file gone and write nothing,
    // and an open batch forgets what it held for it: the file is not made
    // again behind the root's back.
    *m_pTempFileDeleted = true;
    pv::DeleteProfileFile(m_strFileName);
  }
  m_pBatch.reset();
}

void CTKPropExchangeIniFile::AssignFile(LPCTSTR path) {
  m_strFileName = path;
  m_bTempFile = FALSE;
  m_bEmptySection = FALSE;
}

BOOL CTKPropExchangeIniFile::OpenStorage() {
  if (m_bTempFile && *m_pTempFileDeleted) return FALSE;
  if (!m_bInitialized) {
    m_bInitialized = TRUE;
    if (m_strFileName.IsEmpty()) {
      char16_t folder[MAX_PATH + 1] = {};
      char16_t path[MAX_PATH + 1] = {};
      DWORD n = GetTempPathW(MAX_PATH, folder);
      if (n == 0 || n > MAX_PATH) return FALSE;
      if (GetTempFileNameW(folder, u"tk", 0, path) == 0) return FALSE;
      m_strFileName = path;
      m_bTempFile = TRUE;
    }
  }
  return !m_strFileName.IsEmpty();
}

BOOL CTKPropExchangeIniFile::ReadText(LPCTSTR key, CString& text) const {
  // Grows until the whole value fits: large blobs are stored as long letter
  // texts and must never be cut.
  DWORD size = 256;
  for (;;) {
    std::u16string buffer(size, u'\0');
    DWORD n = GetPrivateProfileStringW(m_strSectionName, key, u"", buffer.data(), size, m_strFileName);
    if (n + 1 < size) {
      buffer.resize(n);
      text = CString(std::move(buffer));
      return n != 0;
    }
    if (size > 0x40000000u) return FALSE;
    size *= 2;
  }
}

BOOL CTKPropExchangeIniFile::ExchangeProp(LPCTSTR key, unsigned short type, void* value, const void* defaultValue) {
  if (!value) return FALSE;
  if (!m_bLoading) {
    if (!m_bUseDefaultOnSave) defaultValue = nullptr;
    if (!OpenStorage()) return FALSE;
    if (defaultValue && IsSameValue(type, value, defaultValue)) {
      if (!m_bEmptySection) WritePrivateProfileStringW(m_strSectionName, key, nullptr, m_strFileName);
      return TRUE;
    }
    CString text;
    if (!ExchangeValueText(text, type, value, defaultValue)) return FALSE;
    return WritePrivateProfileStringW(m_strSectionName, key, ProtectForProfile(text), m_strFileName);
  }
  if (!m_bUseDefaultOnLoad) defaultValue = nullptr;
  CString text;
  if (!OpenStorage() || !ReadText(key, text)) return CopyValue(type, value, defaultValue);
  return ExchangeValueText(text, type, value, defaultValue);
}

CTKPropExchange* CTKPropExchangeIniFile::GetSection(LPCTSTR section) {
  OpenStorage();
  auto* child = new CTKPropExchangeIniFile(m_bLoading, m_strSectionName, section);
  child->InheritSettings(this);
  child->m_strFileName = m_strFileName;
  child->m_bTempFile = m_bTempFile;
  child->m_pTempFileDeleted = m_pTempFileDeleted;
  // The root made (or failed to make) the file; a section never makes one.
  child->m_bInitialized = TRUE;
  return child;
}

void CTKPropExchangeIniFile::EmptySection() {
  if (m_bEmptySection || m_strSectionName.IsEmpty()) return;
  m_bEmptySection = TRUE;
  if (!OpenStorage()) return;
  DWORD size = 8000;
  std::u16string names;
  for (;;) {
    names.assign(size, u'\0');
    DWORD n = GetPrivateProfileSectionNamesW(names.data(), size, m_strFileName);
    if (n != size - 2) {
      names.resize(n);
      break;
    }
    if (size > 0x40000000u) return;
    size *= 2;
  }
  std::u16string_view mine = m_strSectionName.View();
  std::size_t start = 0;
  while (start < names.size()) {
    std::size_t end = names.find(u'\0', start);
    if (end == std::u16string::npos) end = names.size();
    std::u16string_view name(names.data() + start, end - start);
    bool below = name.size() > mine.size() && name.substr(0, mine.size()) == mine && name[mine.size()] == u'\\';
    if (name == mine || below) {
      CString doomed{std::u16string(name)};
      WritePrivateProfileStringW(doomed, nullptr, nullptr, m_strFileName);
    }
    start = end + 1;
  }
}

// ---- application profile ----------------------------------------------------------------------

CTKPropExchangeProfileSection::CTKPropExchangeProfileSection(BOOL loading, LPCTSTR section) {
  CString registryKey, profileName;
  TKGetAppProfileNames(registryKey, profileName);
  if (!registryKey.IsEmpty()) {
    m_pPX = new CTKPropExchangeRegistry(loading, nullptr, section);
    return;
  }
  auto* ini = new CTKPropExchangeIniFile(loading, nullptr, section);
  // Without a profile file the values live in a temporary file for the
  // life of the exchange.
  if (!profileName.IsEmpty()) ini->AssignFile(profileName);
  m_pPX = ini;
}
