// The file dialog: a request to the installed sink (tests script it), else
// the built-in dialog on a desktop, else a cancel; then the checks every
// answer goes through (default extension, overwrite prompt, file must exist).
#include <cstdlib>
#include <cstring>

#include "platform/framework/afxdlg.h"
#include "platform/system/files.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

namespace {
pv::FileDialogSink& Sink() {
  static pv::FileDialogSink sink;
  return sink;
}
}  // namespace

pv::FileDialogSink pv::SetFileDialogSink(FileDialogSink sink) {
  FileDialogSink old = std::move(Sink());
  Sink() = std::move(sink);
  return old;
}

bool pv::CommonDialogsHaveDisplay() {
  const char* env = std::getenv("PRAVENOR_HEADLESS");
  if (env && *env && std::strcmp(env, "0") != 0) return false;
  return pv::WindowsOnDisplay();
}

pv::FileDialogSink pv::BuiltInFileDialogSink() {
  return [](FileDialogRequest& r) { return RunBuiltInFileDialog(r, r.owner); };
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd, DWORD, BOOL)
    : m_bOpenFileDialog(bOpenFileDialog) {
  m_pParentWnd = pParentWnd;
  m_ofn.lStructSize = sizeof(m_ofn);
  m_ofn.Flags = dwFlags;
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = static_cast<DWORD>(std::size(m_szFileName));
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = static_cast<DWORD>(std::size(m_szFileTitle));
  m_ofn.nFilterIndex = 1;
  if (lpszDefExt) {
    m_defExt = lpszDefExt;
    m_ofn.lpstrDefExt = m_defExt.c_str();
  }
  if (lpszFileName) {
    size_t i = 0;
    for (; lpszFileName[i] && i + 1 < std::size(m_szFileName); ++i) m_szFileName[i] = lpszFileName[i];
    m_szFileName[i] = 0;
  }
  if (lpszFilter) {
    // "Text (*.txt)|*.txt|All (*.*)|*.*||" becomes a double-zero list.
    for (size_t i = 0; lpszFilter[i]; ++i) m_filter += lpszFilter[i] == u'|' ? u'\0' : lpszFilter[i];
    m_filter += u'\0';
    m_ofn.lpstrFilter = m_filter.c_str();
  }
}

INT_PTR CFileDialog::DoModal() {
  pv::FileDialogRequest req;
  req.open = m_bOpenFileDialog != FALSE;
  if (m_ofn.lpstrTitle) req.title = m_ofn.lpstrTitle;
  if (m_ofn.lpstrInitialDir) req.initialDir = m_ofn.lpstrInitialDir;
  req.fileName = m_szFileName;
  req.defExt = m_defExt;
  req.flags = m_ofn.Flags;
  req.filterIndex = m_ofn.nFilterIndex;
  req.owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : m_ofn.hwndOwner;
  if (m_ofn.lpstrFilter) {
    const char16_t* p = m_ofn.lpstrFilter;
    while (*p) {
      std::u16string desc = p;
      p += desc.size() + 1;
      std::u16string pattern = p;
      p += pattern.size() + 1;
      req.filters.emplace_back(desc, pattern);
      if (pattern.empty()) break;
    }
  }
  for (;;) {
    req.files.clear();
    int answer = IDCANCEL;
    if (Sink()) answer = Sink()(req);
    else if (pv::CommonDialogsHaveDisplay()) answer = pv::RunBuiltInFileDialog(req, req.owner);
    if (answer != IDOK || req.files.empty()) return IDCANCEL;
    std::u16string first = req.files.front();
    // A save without an extension gets the default one.
    if (!req.open && !m_defExt.empty()) {
      size_t slash = first.find_last_of(u'/');
      std::u16string leaf = slash == std::u16string::npos ? first : first.substr(slash + 1);
      if (leaf.find(u'.') == std::u16string::npos) {
        first += u'.';
        first += m_defExt;
        req.files.front() = first;
      }
    }
    if (!req.open && (m_ofn.Flags & OFN_OVERWRITEPROMPT) &&
        ::GetFileAttributesW(first.c_str()) != INVALID_FILE_ATTRIBUTES) {
      CString prompt;
      prompt.Format(u"%s already exists.\nDo you want to replace it?", first.c_str());
      if (AfxMessageBox(prompt, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        req.fileName = first;
        continue;  // ask again
      }
    }
    if (req.open && (m_ofn.Flags & OFN_FILEMUSTEXIST)) {
      bool missing = false;
      for (const auto& f : req.files) missing |= ::GetFileAttributesW(f.c_str()) == INVALID_FILE_ATTRIBUTES;
      if (missing) {
        AfxMessageBox(u"File not found.\nCheck the file name and try again.", MB_OK | MB_ICONEXCLAMATION);
        req.fileName = first;  // ask again with the name the user gave
        continue;
      }
    }
    m_files = req.files;
    m_ofn.nFilterIndex = req.filterIndex;
    m_ofn.Flags = (m_ofn.Flags & ~static_cast<DWORD>(OFN_READONLY)) | (req.flags & OFN_READONLY);
    size_t i = 0;
    for (; i < first.size() && i + 1 < std::size(m_szFileName); ++i) m_szFileName[i] = first[i];
    m_szFileName[i] = 0;
    CString title = GetFileName();
    i = 0;
    for (; i < static_cast<size_t>(title.GetLength()) && i + 1 < std::size(m_szFileTitle); ++i)
      m_szFileTitle[i] = title[static_cast<int>(i)];
    m_szFileTitle[i] = 0;
    size_t slash = first.find_last_of(u'/');
    size_t leaf = slash == std::u16string::npos ? 0 : slash + 1;
    size_t dot = first.find_last_of(u'.');
    m_ofn.nFileOffset = static_cast<WORD>(std::min<size_t>(leaf, 0xFFFF));
    m_ofn.nFileExtension =
        static_cast<WORD>(dot == std::u16string::npos || dot < leaf ? std::min<size_t>(first.size(), 0xFFFF)
                                                                    : std::min<size_t>(dot + 1, 0xFFFF));
    return IDOK;
  }
}

CString CFileDialog::GetPathName() const { return CString(m_szFileName); }

CString CFileDialog::GetFileName() const {
  CString path(m_szFileName);
  return path.Mid(path.ReverseFind(u'/') + 1);
}

CString CFileDialog::GetFileExt() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(u'.');
  return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(u'.');
  return dot < 0 ? name : name.Left(dot);
}

CString CFileDialog::GetFolderPath() const {
  CString path(m_szFileName);
  int slash = path.ReverseFind(u'/');
  return slash < 0 ? CString() : path.Left(slash);
}

POSITION CFileDialog::GetStartPosition() const {
  return m_files.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<INT_PTR>(1));
}

CString CFileDialog::GetNextPathName(POSITION& pos) const {
  auto i = static_cast<size_t>(reinterpret_cast<INT_PTR>(pos)) - 1;
  if (i >= m_files.size()) {
    pos = nullptr;
    return CString();
  }
  pos = i + 1 < m_files.size() ? reinterpret_cast<POSITION>(static_cast<INT_PTR>(i + 2)) : nullptr;
  return CString(m_files[i].c_str());
}
