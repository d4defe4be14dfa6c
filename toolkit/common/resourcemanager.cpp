#include "toolkit/common/resourcemanager.h"

#include <vector>

#include "platform/base/codepage.h"
#include "platform/framework/afxgdi.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/modules.h"
#include "platform/system/msgbox.h"
#include "platform/window/winuser.h"
#include "toolkit/common/imagemanager.h"

namespace {

constexpr WORD kEnglishUS = 0x0409;

const TK_LANGUAGE_INFO kLanguages[] = {
    {0x0419, 1251, u"windows-1251", u"Russian", u"LANG_RUSSIAN", u"SUBLANG_DEFAULT", 204},
    {0x0411, 932, u"shift-jis", u"Japanese", u"LANG_JAPANESE", u"SUBLANG_DEFAULT", 128},
    {0x0401, 1256, u"windows-1256", u"Arabic (Saudi Arabia)", u"LANG_ARABIC", u"SUBLANG_ARABIC_SAUDI_ARABIA", 178},
    {0x0405, 1250, u"windows-1250", u"Czech", u"LANG_CZECH", u"SUBLANG_DEFAULT", 238},
    {0x0406, 1252, u"windows-1252", u"Danish", u"LANG_DANISH", u"SUBLANG_DEFAULT", 0},
    {0x0407, 1252, u"windows-1252", u"German (Germany)", u"LANG_GERMAN", u"SUBLANG_GERMAN", 0},
    {0x0408, 1253, u"windows-1253", u"Greek", u"LANG_GREEK", u"SUBLANG_DEFAULT", 161},
    {0x0409, 0, u"windows-1252", u"English (United States)", u"LANG_ENGLISH", u"SUBLANG_ENGLISH_US", 0},
    {0x0C0A, 1252, u"windows-1252", u"Spanish (Spain - Modern Sort)", u"LANG_SPANISH", u"SUBLANG_SPANISH_MODERN", 0},
    {0x0425, 1257, u"windows-1257", u"Estonian", u"LANG_ESTONIAN", u"SUBLANG_DEFAULT", 186},
    {0x040B, 1252, u"windows-1252", u"Finnish", u"LANG_FINNISH", u"SUBLANG_DEFAULT", 0},
    {0x040C, 1252, u"windows-1252", u"French (France)", u"LANG_FRENCH", u"SUBLANG_FRENCH", 0},
    {0x040D, 1255, u"windows-1255", u"Hebrew", u"LANG_HEBREW", u"SUBLANG_DEFAULT", 177},
    {0x041A, 1250, u"windows-1250", u"Croatian", u"LANG_CROATIAN", u"SUBLANG_DEFAULT", 238},
    {0x040E, 1250, u"windows-1250", u"Hungarian", u"LANG_HUNGARIAN", u"SUBLANG_DEFAULT", 238},
    {0x0410, 1252, u"windows-1252", u"Italian (Italy)", u"LANG_ITALIAN", u"SUBLANG_ITALIAN", 0},
    {0x0412, 949, u"ks_c_5601", u"Korean", u"LANG_KOREAN", u"SUBLANG_DEFAULT", 129},
    {0x0427, 1257, u"windows-1257", u"Lithuanian", u"LANG_LITHUANIAN", u"SUBLANG_DEFAULT", 186},
    {0x0426, 1257, u"windows-1257", u"Latvian", u"LANG_LATVIAN", u"SUBLANG_DEFAULT", 186},
    {0x0413, 1252, u"windows-1252", u"Dutch", u"LANG_DUTCH", u"SUBLANG_DUTCH", 0},
    {0x0414, 1252, u"windows-1252", u"Norwegian (Bokmal)", u"LANG_NORWEGIAN", u"SUBLANG_NORWEGIAN_BOKMAL", 0},
    {0x0415, 1250, u"windows-1250", u"Polish", u"LANG_POLISH", u"SUBLANG_DEFAULT", 238},
    {0x0816, 1252, u"windows-1252", u"Portuguese (Portugal)", u"LANG_PORTUGUESE", u"SUBLANG_PORTUGUESE", 0},
    {0x0416, 1252, u"windows-1252", u"Portuguese (Brazil)", u"LANG_PORTUGUESE", u"SUBLANG_PORTUGUESE_BRAZILIAN", 0},
    {0x0418, 1250, u"windows-1250", u"Romanian", u"LANG_ROMANIAN", u"SUBLANG_DEFAULT", 238},
    {0x081A, 1250, u"windows-1250", u"Serbian", u"LANG_SERBIAN", u"SUBLANG_SERBIAN_LATIN", 238},
    {0x041B, 1250, u"windows-1250", u"Slovak", u"LANG_SLOVAK", u"SUBLANG_DEFAULT", 238},
    {0x0424, 1250, u"windows-1250", u"Slovenian", u"LANG_SLOVENIAN", u"SUBLANG_DEFAULT", 238},
    {0x041D, 1252, u"windows-1252", u"Swedish", u"LANG_SWEDISH", u"SUBLANG_DEFAULT", 0},
    {0x041E, 874, u"windows-874", u"Thai", u"LANG_THAI", u"SUBLANG_DEFAULT", 222},
    {0x041F, 1254, u"windows-1254", u"Turkish", u"LANG_TURKISH", u"SUBLANG_DEFAULT", 162},
    {0x0422, 1251, u"windows-1251", u"Ukrainian ", u"LANG_UKRAINIAN", u"SUBLANG_DEFAULT", 204},
    {0x0402, 1251, u"windows-1251", u"Bulgarian", u"LANG_BULGARIAN", u"SUBLANG_DEFAULT", 204},
    {0x0804, 936, u"gb2312", u"Chinese (PRC)", u"LANG_CHINESE", u"SUBLANG_CHINESE_SIMPLIFIED", 134},
    {0x0404, 950, u"big5", u"Chinese (Taiwan)", u"LANG_CHINESE", u"SUBLANG_CHINESE_TRADITIONAL", 136},
};

// Set by the application at start-up (and by tests); read on the UI thread.
HMODULE g_hResourceModule = nullptr;

// The module to look in first: the toolkit's, when it holds the resource.
bool ModuleHolds(HMODULE module, LPCWSTR name, LPCWSTR type) {
  return module && ::FindResourceW(module, name, type) != nullptr;
}

struct LanguageSearch {
  WORD found = 0;
};

BOOL CALLBACK_Languages(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  auto* search = reinterpret_cast<LanguageSearch*>(param);
  if (language == 0) return TRUE;
  search->found = language;
  return language == kEnglishUS;  // go on only while nothing but English was seen
}

BOOL CALLBACK_Names(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  ::EnumResourceLanguagesW(module, type, name, &CALLBACK_Languages, param);
  auto* search = reinterpret_cast<LanguageSearch*>(param);
  return search->found == 0 || search->found == kEnglishUS;
}

BOOL CALLBACK_Types(HMODULE module, LPWSTR type, LONG_PTR param) {
  ::EnumResourceNamesW(module, type, &CALLBACK_Names, param);
  auto* search = reinterpret_cast<LanguageSearch*>(param);
  return search->found == 0 || search->found == kEnglishUS;
}

}  // namespace

const TK_LANGUAGE_INFO* FindLanguageInfo(WORD language) {
  for (const auto& info : kLanguages)
    if (info.wLanguage == language) return &info;
  return nullptr;
}

const TK_LANGUAGE_INFO* GetLanguageInfoTable(int* count) {
  if (count) *count = static_cast<int>(sizeof(kLanguages) / sizeof(kLanguages[0]));
  return kLanguages;
}

HMODULE TKGetResourceModule() { return g_hResourceModule; }
void TKSetResourceModule(HMODULE module) { g_hResourceModule = module; }

HRSRC FindResourceInModules(HMODULE* module, LPCWSTR name, LPCWSTR type) {
  HMODULE candidates[2] = {g_hResourceModule, AfxGetResourceHandle()};
  for (HMODULE candidate : candidates) {
    if (!candidate) continue;
    if (HRSRC found = ::FindResourceW(candidate, name, type)) {
      if (module) *module = candidate;
      return found;
    }
  }
  if (module) *module = nullptr;
  return nullptr;
}

// ---- CTKResourceManager ---------------------------------------------------------------------

CTKResourceManager::CTKResourceManager() : m_pLanguageInfo(FindLanguageInfo(kEnglishUS)) {
  LOGFONTW font{};
  if (::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0)) m_nSystemCharset = font.lfCharSet;
}

CTKResourceManager::~CTKResourceManager() { Close(); }

BOOL CTKResourceManager::Close() {
  if (!m_hLoadedLibrary) return FALSE;
  BOOL result = ::FreeLibrary(m_hLoadedLibrary);
  m_hLoadedLibrary = nullptr;
  return result;
}

CString CTKResourceManager::LoadStringEx(CString* out, UINT id, BOOL* missing) {
  CString text;
  BOOL found = LoadString(&text, id);
  if (missing) *missing = !found;
  if (out) *out = text;
  return text;
}

BOOL CTKResourceManager::LoadString(CString* out, UINT id) {
  if (!out) return FALSE;
  if (g_hResourceModule && LoadStringFromModule(g_hResourceModule, id, out) > 0) return TRUE;
  std::u16string text;
  if (pv::LoadStringFromModule(nullptr, id, &text) && !text.empty()) {
    *out = CString(text.c_str(), static_cast<int>(text.size()));
    return TRUE;
  }
  out->Empty();
  return FALSE;
}

BOOL CTKResourceManager::LoadMenu(CMenu* menu, UINT id) {
  if (!menu) return FALSE;
  LPCWSTR name = MAKEINTRESOURCE(id);
  HMENU handle = nullptr;
  if (ModuleHolds(g_hResourceModule, name, RT_MENU)) handle = ::LoadMenuW(g_hResourceModule, name);
  if (!handle) handle = ::LoadMenuW(AfxGetResourceHandle(), name);
  return handle ? menu->Attach(handle) : FALSE;
}

HBITMAP CTKResourceManager::LoadImageAsBitmap(UINT id, BOOL* alpha) {
  return CTKImageManager::LoadBitmapResource(MAKEINTRESOURCEW(id), alpha);
}

BOOL CTKResourceManager::LoadBitmap(CBitmap* bitmap, UINT id) {
  if (!bitmap) return FALSE;
  LPCWSTR name = MAKEINTRESOURCE(id);
  HBITMAP handle = nullptr;
  if (ModuleHolds(g_hResourceModule, name, RT_BITMAP)) handle = ::LoadBitmapW(g_hResourceModule, name);
  if (!handle) handle = ::LoadBitmapW(AfxGetResourceHandle(), name);
  return handle ? bitmap->Attach(handle) : FALSE;
}

HCURSOR CTKResourceManager::LoadCursor(UINT id) {
  LPCWSTR name = MAKEINTRESOURCE(id);
  HCURSOR cursor = nullptr;
  if (ModuleHolds(g_hResourceModule, name, RT_GROUP_CURSOR)) cursor = ::LoadCursorW(g_hResourceModule, name);
  if (!cursor) cursor = ::LoadCursorW(AfxGetResourceHandle(), name);
  return cursor;
}

HGLOBAL CTKResourceManager::FindDialogResource(LPCWSTR name) {
  HMODULE module = nullptr;
  HRSRC resource = FindResourceInModules(&module, name, RT_DIALOG);
  return resource ? ::LoadResource(module, resource) : nullptr;
}

LPCVOID CTKResourceManager::LoadDialogTemplate(UINT id) {
  HGLOBAL data = FindDialogResource(MAKEINTRESOURCE(id));
  return data ? ::LockResource(data) : nullptr;
}

BOOL CTKResourceManager::LoadHTML(CString* out, UINT id) {
  if (!out) return FALSE;
  HMODULE module = nullptr;
  HRSRC resource = FindResourceInModules(&module, MAKEINTRESOURCE(id), RT_HTML);
  if (!resource) return FALSE;
  const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
  int size = static_cast<int>(::SizeofResource(module, resource));
  if (!bytes || size <= 0) return FALSE;
  int length = 0;
  while (length < size && bytes[length] != 0) ++length;  // cut at the first null
  if (length == 0) return FALSE;
  int chars = ::MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
  if (chars <= 0) return FALSE;
  std::vector<WCHAR> buffer(static_cast<size_t>(chars));
  chars = ::MultiByteToWideChar(CP_ACP, 0, bytes, length, buffer.data(), chars);
  if (chars <= 0) return FALSE;
  *out = CString(buffer.data(), chars);
  return TRUE;
}

HICON CTKResourceManager::LoadIconById(UINT id, int width, int height) {
  return LoadIcon(MAKEINTRESOURCE(id), width, height);
}

HICON CTKResourceManager::LoadIcon(LPCWSTR name, int width, int height) {
  HICON icon = nullptr;
  if (ModuleHolds(g_hResourceModule, name, RT_GROUP_ICON))
    icon = static_cast<HICON>(::LoadImageW(g_hResourceModule, name, IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  if (!icon)
    icon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), name, IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  return icon;
}

HICON CTKResourceManager::CreateIconFromResource(HMODULE module, LPCWSTR name, int width, int height) {
  HRSRC group = ::FindResourceW(module, name, RT_GROUP_ICON);
  if (!group) return nullptr;
  const auto* directory = static_cast<const BYTE*>(::LockResource(::LoadResource(module, group)));
  if (!directory) return nullptr;
  int id = ::LookupIconIdFromDirectoryEx(directory, TRUE, width, height, LR_DEFAULTCOLOR);
  if (id <= 0) return nullptr;
  HRSRC image = ::FindResourceW(module, MAKEINTRESOURCE(id), RT_ICON);
  if (!image) return nullptr;
  const auto* bits = static_cast<const BYTE*>(::LockResource(::LoadResource(module, image)));
  if (!bits) return nullptr;
  return ::CreateIconFromResourceEx(bits, ::SizeofResource(module, image), TRUE, 0x30000, width, height,
                                    LR_DEFAULTCOLOR);
}

WORD CTKResourceManager::GetResourcesLangID() const { return m_pLanguageInfo->wLanguage; }

void CTKResourceManager::DetectResourceLanguage() {
  HMODULE module = g_hResourceModule ? g_hResourceModule : ::GetModuleHandleW(nullptr);
  LanguageSearch search;
  ::EnumResourceTypesW(module, &CALLBACK_Types, reinterpret_cast<LONG_PTR>(&search));
  SetResourceLanguage(search.found ? search.found : kEnglishUS);
}

void CTKResourceManager::SetResourceLanguage(WORD language) {
  const TK_LANGUAGE_INFO* info = FindLanguageInfo(language);
  m_pLanguageInfo = info ? info : FindLanguageInfo(kEnglishUS);
}

BYTE CTKResourceManager::GetFontCharset() const {
  return m_bUseLanguageCharset ? m_pLanguageInfo->nFontCharSet : m_nSystemCharset;
}

int CTKResourceManager::ShowMessageBox(LPCWSTR text, UINT type) {
  if (m_pLanguageInfo->nCodePage == 1256 || m_pLanguageInfo->nCodePage == 1255) type |= MB_RTLREADING;
  return ::AfxMessageBox(text, type);
}

int CTKResourceManager::ShowMessageBoxById(UINT id, UINT type) {
  CString text;
  LoadString(&text, id);
  return ShowMessageBox(text, type);
}

int CTKResourceManager::GetMenuString(CMenu* menu, UINT item, CString* out, UINT flags) {
  HMENU handle = menu ? menu->GetSafeHmenu() : nullptr;
  if (!handle) return 0;
  int length = ::GetMenuStringW(handle, item, nullptr, 0, flags);
  if (length <= 0) {
    if (out) out->Empty();
    return length < 0 ? 0 : length;
  }
  std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1);
  length = ::GetMenuStringW(handle, item, buffer.data(), length + 1, flags);
  if (out) *out = length > 0 ? CString(buffer.data(), length) : CString();
  return length;
}

int CTKResourceManager::LoadStringFromModule(HMODULE module, UINT id, CString* out) {
  if (out) out->Empty();
  HRSRC block = ::FindResourceW(module, MAKEINTRESOURCE(id / 16 + 1), RT_STRING);
  if (!block) return 0;
  const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(module, block)));
  DWORD size = ::SizeofResource(module, block);
  if (!data) return 0;
  // Entries are a 16-bit length and that many UTF-16 units; never read past
  // the end of the block, whatever the lengths claim.
  auto unitAt = [&](DWORD offset) { return static_cast<WORD>(data[offset] | (data[offset + 1] << 8)); };
  DWORD offset = 0;
  for (UINT skip = id % 16; skip > 0; --skip) {
    if (offset + 2 > size) return 0;
    offset += 2 + 2u * unitAt(offset);
  }
  if (offset + 2 > size) return 0;
  WORD length = unitAt(offset);
  offset += 2;
  if (length == 0 || offset + 2u * length > size) return 0;
  std::u16string text(length, u'\0');
  for (WORD i = 0; i < length; ++i) text[i] = static_cast<char16_t>(unitAt(offset + 2u * i));
  if (out) *out = CString(text.c_str(), length);
  return length;
}

CTKResourceManager* GetResourceManager() {
  static CTKResourceManager manager;
  return &manager;
}

// ---- CTKResourceHandleScope ---------------------------------------------------------------

CTKResourceHandleScope::CTKResourceHandleScope() {
  if (g_hResourceModule) {
    m_hPrevious = AfxGetResourceHandle();
    AfxSetResourceHandle(g_hResourceModule);
    m_bChanged = true;
  }
}

void CTKResourceHandleScope::Restore() {
  if (!m_bChanged) return;
  AfxSetResourceHandle(m_hPrevious);
  m_bChanged = false;
}

// ---- CTKNarrowString ----------------------------------------------------------------------

CTKNarrowString::CTKNarrowString(LPCWSTR text) {
  if (!text) return;
  UINT codePage = GetResourceManager()->GetLanguageInfo()->nCodePage;  // 0: the ANSI code page
  int bytes = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  m_lpsz = new char[static_cast<size_t>(bytes)];
  if (::WideCharToMultiByte(codePage, 0, text, -1, m_lpsz, bytes, nullptr, nullptr) <= 0) m_lpsz[0] = 0;
}

CTKNarrowString::~CTKNarrowString() { delete[] m_lpsz; }
