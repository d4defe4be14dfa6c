// Where toolkit components get their strings, menus, tool bars, bitmaps,
// cursors, icons, dialog templates and HTML texts, and the language facts
// that go with them (code page, font character set, reading order).
// Resources are looked for in the toolkit's resource module first (when
// one is set) and then in the framework's resource handle.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"
#include "platform/system/resources.h"

class CMenu;
class CBitmap;

struct TK_LANGUAGE_INFO {
  WORD wLanguage;
  UINT nCodePage;
  LPCWSTR lpszEncoding;
  LPCWSTR lpszCaption;
  LPCWSTR lpszLang;
  LPCWSTR lpszSubLang;
  BYTE nFontCharSet;
};

// The record of a language id, or null.
const TK_LANGUAGE_INFO* FindLanguageInfo(WORD language);
// The whole table (35 records) and its size.
const TK_LANGUAGE_INFO* GetLanguageInfoTable(int* count);

// The toolkit's resource module (null: none, the usual case).
HMODULE TKGetResourceModule();
void TKSetResourceModule(HMODULE module);

// FindResourceW in the toolkit's resource module, else in the framework's
// resource handle; the module where it was found goes to `module`.
HRSRC FindResourceInModules(HMODULE* module, LPCWSTR name, LPCWSTR type);

class CTKResourceManager {
 public:
  CTKResourceManager();
  virtual ~CTKResourceManager();
  CTKResourceManager(const CTKResourceManager&) = delete;
  CTKResourceManager& operator=(const CTKResourceManager&) = delete;

  // `missing`, when given, is set TRUE when the string was not found.
  virtual CString LoadStringEx(CString* out, UINT id, BOOL* missing = nullptr);
  virtual BOOL LoadString(CString* out, UINT id);
  virtual BOOL LoadMenu(CMenu* menu, UINT id);
  virtual BOOL LoadBitmap(CBitmap* bitmap, UINT id);
  // A PNG image (resource type "PNG") or else a bitmap of the id, from the
  // toolkit's resource module first, as a bitmap the caller deletes: a PNG
  // or a 32-bit bitmap becomes a 32-bit DIB section (`alpha` TRUE when it
  // has an alpha channel). Null when there is none or it does not decode.
  virtual HBITMAP LoadImageAsBitmap(UINT id, BOOL* alpha = nullptr);
  virtual HCURSOR LoadCursor(UINT id);
  virtual LPCVOID LoadDialogTemplate(UINT id);
  virtual HGLOBAL FindDialogResource(LPCWSTR name);
  virtual BOOL LoadHTML(CString* out, UINT id);
  virtual HICON LoadIconById(UINT id, int width, int height);
  virtual HICON LoadIcon(LPCWSTR name, int width, int height);
  virtual HICON CreateIconFromResource(HMODULE module, LPCWSTR name, int width, int height);
  virtual BOOL Close();
  virtual WORD GetResourcesLangID() const;
  virtual void DetectResourceLanguage();

  // A tool bar of the framework's kind (anything with LoadToolBar(UINT)),
  // loaded with the toolkit's resource module current.
  template <class TToolBar>
  BOOL LoadToolBar(TToolBar* toolBar, UINT id);

  void SetResourceLanguage(WORD language);
  // The language identifier of the current resource language, as
  // GetResourcesLangID answers it.
  WORD GetResourceLanguage() const { return GetResourcesLangID(); }
  const TK_LANGUAGE_INFO* GetLanguageInfo() const { return m_pLanguageInfo; }
  BYTE GetFontCharset() const;
  void SetUseLanguageCharset(BOOL use) { m_bUseLanguageCharset = use; }

  int ShowMessageBox(LPCWSTR text, UINT type);
  int ShowMessageBoxById(UINT id, UINT type);
  static int GetMenuString(CMenu* menu, UINT item, CString* out, UINT flags);
  static int LoadStringFromModule(HMODULE module, UINT id, CString* out);

 protected:
  int m_nValid = 1;
  HMODULE m_hLoadedLibrary = nullptr;
  const TK_LANGUAGE_INFO* m_pLanguageInfo;
  BOOL m_bUseLanguageCharset = FALSE;
  BYTE m_nSystemCharset = 0;
};

// The process-wide manager, made on first use and destroyed at exit.
CTKResourceManager* GetResourceManager();

// Makes the toolkit's resource module the framework's resource handle while
// alive (nothing changes when no module is set).
class CTKResourceHandleScope {
 public:
  CTKResourceHandleScope();
  ~CTKResourceHandleScope() { Restore(); }
  CTKResourceHandleScope(const CTKResourceHandleScope&) = delete;
  CTKResourceHandleScope& operator=(const CTKResourceHandleScope&) = delete;
  void Restore();

 private:
  HINSTANCE m_hPrevious = nullptr;
  bool m_bChanged = false;
};

template <class TToolBar>
BOOL CTKResourceManager::LoadToolBar(TToolBar* toolBar, UINT id) {
  if (!toolBar) return FALSE;
  CTKResourceHandleScope scope;
  return toolBar->LoadToolBar(id) ? TRUE : FALSE;
}

// A wide text narrowed to the current language's code page.
class CTKNarrowString {
 public:
  explicit CTKNarrowString(LPCWSTR text);
  ~CTKNarrowString();
  CTKNarrowString(const CTKNarrowString&) = delete;
  CTKNarrowString& operator=(const CTKNarrowString&) = delete;
  operator LPCSTR() const { return m_lpsz; }  // NOLINT
  LPCSTR c_str() const { return m_lpsz; }

 private:
  char* m_lpsz = nullptr;
};
