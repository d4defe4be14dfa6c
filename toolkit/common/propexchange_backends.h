// The three flavours of property exchange: where exchanged values live and
// in which stored form.
//
// - CTKPropExchangeArchive: a framework archive; values follow each other in
//   call order (little-endian, the archive's own encodings) and keys only
//   document them. Sections write nothing of their own.
// - CTKPropExchangeRegistry: a registry key; a value per key (integers as
//   REG_DWORD, floats and doubles as REG_BINARY, strings, rectangles and
//   pairs as REG_SZ text), a subkey per section.
// - CTKPropExchangeIniFile: an INI file; a key=text line per value, an INI
//   section per section, named by the section path joined with '\'.
#pragma once

#include <memory>

#include "toolkit/common/propexchange.h"

namespace pv {
class RegistryWriteBatch;
class ProfileWriteBatch;
}  // namespace pv

class CTKPropExchangeArchive : public CTKPropExchange {
  DECLARE_DYNAMIC(CTKPropExchangeArchive)
 public:
  // Loading when the archive loads. The archive belongs to the caller and
  // must outlive the exchange and its sections.
  explicit CTKPropExchangeArchive(CArchive& archive);
  // The same over an archive pointer; a null archive is refused with the
  // framework's invalid-argument exception.
  explicit CTKPropExchangeArchive(CArchive* archive);

  BOOL ExchangeProp(LPCTSTR key, unsigned short type, void* value, const void* defaultValue) override;
  BOOL ExchangeBlob(LPCTSTR key, BYTE** data, DWORD* count) override;
  BOOL ExchangeObjectClass(LPCTSTR key, CRuntimeClass** cls, CRuntimeClass* defaultClass) override;
  BOOL ExchangeObject(CObject** object, CRuntimeClass* expected) override;
  CArchive* GetArchive(LPCTSTR key) override;
  void ReleaseArchive(LPCTSTR key, CArchive* archive) override;
  CTKPropExchange* GetSection(LPCTSTR section) override;
  void WriteCount(DWORD count) override;
  DWORD ReadCount() override;
  BOOL WriteBinary(LPCTSTR key, BYTE* data, DWORD count) override;
  DWORD ReadBinary(LPCTSTR key, BYTE* buffer, DWORD count) override;
  BOOL StoresByName() override { return FALSE; }
  BOOL AllowsBinaryValues() override { return TRUE; }
  // Storing writes the marker 0x0FF0ADBF and the schema; loading reads them,
  // or, when the next four bytes are not the marker, reads nothing and
  // takes kTKSchemaUnmarkedArchive (data written before the marker existed).
  BOOL ExchangeSchemaTolerant() override;

  static constexpr DWORD kSchemaMarker = 0x0FF0ADBF;

 protected:
  CArchive* m_pArchive;
};

class CTKPropExchangeRegistry : public CTKPropExchange {
  DECLARE_DYNAMIC(CTKPropExchangeRegistry)
 public:
  // With a null parent key the application's key is opened (and owned):
  // HKEY_CURRENT_USER\Software\<registry key>\<profile name>. No section
  // key is opened yet.
  CTKPropExchangeRegistry(BOOL loading, HKEY parentKey, LPCTSTR section);
  ~CTKPropExchangeRegistry() override;

  BOOL ExchangeProp(LPCTSTR key, unsigned short type, void* value, const void* defaultValue) override;
  BOOL ExchangeBlob(LPCTSTR key, BYTE** data, DWORD* count) override;
  CTKPropExchange* GetSection(LPCTSTR section) override;
  // Deletes the section key with everything below it; the next access
  // creates it again.
  void EmptySection() override;
  BOOL AllowsBinaryValues() override { return TRUE; }
  // Creates or opens the section key once (read access when loading, write
  // access when storing).
  BOOL OpenStorage() override;

  HKEY m_hSectionKey = nullptr;
  HKEY m_hParentKey = nullptr;
  CString m_strSectionName;
  BOOL m_bCloseParentKey = FALSE;

 private:
  struct ChildTag {};
  CTKPropExchangeRegistry(ChildTag, BOOL loading, HKEY parentKey, LPCTSTR section);
  // Writes made through registry exchanges reach the registry file once,
  // when the last exchange is released, instead of once per value.
  std::unique_ptr<pv::RegistryWriteBatch> m_pBatch;
};

class CTKPropExchangeIniFile : public CTKPropExchange {
  DECLARE_DYNAMIC(CTKPropExchangeIniFile)
 public:
  // The section is parentSection\section when a parent section is given,
  // else section, else empty. Until AssignFile the exchange works on a
  // temporary file of its own.
  CTKPropExchangeIniFile(BOOL loading, LPCTSTR parentSection, LPCTSTR section);
  ~CTKPropExchangeIniFile() override;

  // The file to use; the exchange no longer counts as a fresh temporary file.
  void AssignFile(LPCTSTR path);

  BOOL ExchangeProp(LPCTSTR key, unsigned short type, void* value, const void* defaultValue) override;
  CTKPropExchange* GetSection(LPCTSTR section) override;
  // Deletes this section and every section below it (names that begin with
  // this name and a backslash).
  void EmptySection() override;
  // Makes the temporary file ("tk" prefix, temporary folder) when no file is
  // set.
  BOOL OpenStorage() override;

  CString m_strSectionName;
  CString m_strFileName;
  BOOL m_bTempFile = TRUE;

 private:
  // Shared by a root and its sections: set when the root deleted its
  // temporary file, after which the sections no longer open it.
  std::shared_ptr<bool> m_pTempFileDeleted;
  // The whole value of a key, however long; FALSE when absent or empty.
  BOOL ReadText(LPCTSTR key, CString& text) const;
  // As with the registry: the file is written once, when the last exchange
  // is released, instead of once per value.
  std::unique_ptr<pv::ProfileWriteBatch> m_pBatch;
};

// One section of the application profile as a property exchange, held for
// one operation and released with the holder: a registry exchange on the
// section below the application's registry key when the application has
// one, else an INI-file exchange on the section of the application's
// profile file (a temporary file when there is none).
class CTKPropExchangeProfileSection : public CTKPropExchangeSection {
 public:
  CTKPropExchangeProfileSection(BOOL loading, LPCTSTR section);
};
