// CWinThread and CWinApp: the message loop with idle processing, the
// profile functions, the recent-file list and the standard commands.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/framework/afxdoc.h"
#include "platform/framework/afxstate.h"
#include "platform/system/files.h"
#include "platform/system/modules.h"
#include "platform/system/profile.h"
#include "platform/system/registry.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {
CWinApp* g_app = nullptr;

LPTSTR Dup(LPCTSTR s) {
  size_t n = 0;
  while (s && s[n]) ++n;
  auto* p = static_cast<LPTSTR>(std::malloc((n + 1) * sizeof(WCHAR)));
  for (size_t i = 0; i < n; ++i) p[i] = s[i];
  p[n] = 0;
  return p;
}

void FreeName(LPCTSTR& p) {
  std::free(const_cast<LPTSTR>(p));
  p = nullptr;
}
}  // namespace

namespace pv::afx {
void DeleteGdiTemps();

CString AppTitle() {
  if (g_app && g_app->m_pszAppName) return CString(g_app->m_pszAppName);
  return CString();
}

HWND MainWindowHandle() {
  CWnd* main = AfxGetMainWnd();
  return main ? main->m_hWnd : nullptr;
}

std::optional<int> ScrollRequestPosition(const SCROLLINFO& si, UINT nSBCode, int nLine) {
  const int page = static_cast<int>(si.nPage);
  int pos = si.nPos;
  switch (nSBCode) {
    case SB_LINEUP:
      pos -= nLine;
      break;
    case SB_LINEDOWN:
      pos += nLine;
      break;
    case SB_PAGEUP:
      pos -= page;
      break;
    case SB_PAGEDOWN:
      pos += page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = si.nTrackPos;
      break;
    case SB_TOP:
      pos = si.nMin;
      break;
    case SB_BOTTOM:
      pos = si.nMax;
      break;
    default:
      return std::nullopt;
  }
  return std::clamp(pos, si.nMin, std::max(si.nMin, si.nMax - page + 1));
}

BOOL PreTranslateModal(CWnd* pWnd, MSG* pMsg) {
  if (CWinThread* t = AfxGetThread()) return t->PreTranslateMessage(pMsg);
  return CWnd::WalkPreTranslateTree(pWnd ? pWnd->m_hWnd : nullptr, pMsg);
}
}  // namespace pv::afx

CWinApp* AfxGetApp() { return g_app; }
CWinThread* AfxGetThread() { return g_app; }
CWnd* AfxGetMainWnd() {
  CWinThread* t = AfxGetThread();
  return t ? t->GetMainWnd() : nullptr;
}
LPCTSTR AfxGetAppName() { return g_app ? g_app->m_pszAppName : u""; }

void AfxDeleteTempMaps() {
  CWnd::DeleteTempMap();
  pv::afx::DeleteGdiTemps();
}

BOOL AfxOleInit() { return TRUE; }
void AfxOleTerm(BOOL) {}
BOOL AfxSocketInit(void*) { return TRUE; }
void AfxEnableControlContainer(void*) {}
BOOL AfxInitRichEdit2() { return TRUE; }
HINSTANCE AfxLoadLibrary(LPCTSTR lpszModuleName) { return ::LoadLibraryW(lpszModuleName); }
BOOL AfxFreeLibrary(HINSTANCE hInstLib) { return ::FreeLibrary(hInstLib); }
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }
void InitCommonControls() {}

// ---- CWinThread -------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CWinThread, CCmdTarget)
END_MESSAGE_MAP()

CWinThread::CWinThread() { m_nThreadID = ::GetCurrentThreadId(); }
CWinThread::~CWinThread() = default;

CWnd* CWinThread::GetMainWnd() {
  if (m_pActiveWnd) return m_pActiveWnd;
  return m_pMainWnd;
}

int CWinThread::ExitInstance() {
  AfxDeleteTempMaps();
  return static_cast<int>(m_msgCur.wParam);
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg) {
  // Mouse moves to the same place and the caret's timer are no activity.
  if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
    if (m_msgLast.message == pMsg->message && m_msgLast.pt.x == pMsg->pt.x && m_msgLast.pt.y == pMsg->pt.y)
      return FALSE;
    m_msgLast = *pMsg;
    return TRUE;
  }
  return pMsg->message != WM_PAINT && pMsg->message != 0x0118 /*the caret blink*/;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->hwnd == nullptr) {
    // Thread messages go through the thread's own map.
    if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), pMsg->message)) {
      AFX_MSGCALL call;
      call.message = pMsg->message;
      call.wParam = pMsg->wParam;
      call.lParam = pMsg->lParam;
      e->pfn(this, call);
      return TRUE;
    }
  }
  CWnd* main = GetMainWnd();
  HWND hMain = main ? main->m_hWnd : nullptr;
  if (CWnd::WalkPreTranslateTree(hMain, pMsg)) return TRUE;
  // A window outside the main window's tree (a tool window) still lets the
  // main frame see its keys (accelerators).
  if (hMain && pMsg->hwnd && !::IsChild(hMain, pMsg->hwnd) && pMsg->hwnd != hMain && pMsg->message >= WM_KEYFIRST &&
      pMsg->message <= WM_KEYLAST) {
    HWND top = pMsg->hwnd;
    while (::GetWindowLong(top, GWL_STYLE) & WS_CHILD) top = ::GetParent(top);
    // Not while a modal window of ours has the keyboard.
    if (::IsWindowEnabled(hMain) && !CWnd::FromHandlePermanent(top)) return main->PreTranslateMessage(pMsg);
  }
  return FALSE;
}

BOOL CWinThread::ProcessMessageFilter(int, LPMSG lpMsg) { return CWnd::WalkPreTranslateTree(lpMsg->hwnd, lpMsg); }

BOOL CWinThread::PumpMessage() {
  if (!::GetMessage(&m_msgCur, nullptr, 0, 0)) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessage(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::OnIdle(LONG lCount) {
  if (lCount <= 0) {
    CWnd* main = GetMainWnd();
    HWND hMain = main ? main->m_hWnd : nullptr;
    if (hMain && ::IsWindowVisible(hMain)) {
      AfxCallWndProc(main, hMain, WM_IDLEUPDATECMDUI, TRUE, 0);
      main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }
    // The thread's other visible frames (floating frames, owned tool frames)
    // with their windows. Frames inside the main window or inside another
    // listed frame were reached with their top-level window. By handle: an
    // update may destroy frames.
    std::vector<HWND> listed, tops;
    for (CFrameWnd* f : pv::afx::State().frames)
      if (f->m_hWnd && f->m_hWnd != hMain && !(hMain && ::IsChild(hMain, f->m_hWnd))) listed.push_back(f->m_hWnd);
    for (HWND h : listed)
      if (std::none_of(listed.begin(), listed.end(), [h](HWND up) { return up != h && ::IsChild(up, h); }))
        tops.push_back(h);
    for (HWND h : tops) {
      auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(h));
      if (!frame || !::IsWindowVisible(h)) continue;
      AfxCallWndProc(frame, h, WM_IDLEUPDATECMDUI, TRUE, 0);
      if (::IsWindow(h)) CWnd::SendMessageToDescendants(h, WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }
    return TRUE;
  }
  if (lCount == 1) {
    AfxDeleteTempMaps();
    // Settings changed since the last idle time reach the disk now.
    pv::FlushRegistry();
  }
  return FALSE;
}

int CWinThread::Run() {
  bool idle = true;
  LONG idleCount = 0;
  MSG peek{};
  for (;;) {
    while (idle && !::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      if (IsIdleMessage(&m_msgCur)) {
        idle = true;
        idleCount = 0;
      }
    } while (::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE));
  }
}

void AfxIdleOnce() {
  if (CWinThread* t = AfxGetThread()) {
    for (LONG n = 0; t->OnIdle(n); ++n) {}
  } else {
    AfxDeleteTempMaps();
  }
}

CNoTrackObject* pv::ThreadLocalData(const void* slot, CNoTrackObject* (*make)()) {
  // Destroyed with the thread, so each object goes with the thread that made it.
  thread_local std::unordered_map<const void*, std::unique_ptr<CNoTrackObject>> data;
  auto& p = data[slot];
  if (!p) p.reset(make());
  return p.get();
}

// ---- CWinApp ------------------------------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 15, OnOpenRecentFile)
ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) {
  if (lpszAppName) m_pszAppName = Dup(lpszAppName);
  g_app = this;
}

CWinApp::~CWinApp() {
  delete m_pDocManager;
  m_pDocManager = nullptr;
  delete m_pRecentFileList;
  m_pRecentFileList = nullptr;
  FreeName(m_pszAppName);
  FreeName(m_pszExeName);
  FreeName(m_pszHelpFilePath);
  FreeName(m_pszProfileName);
  FreeName(m_pszRegistryKey);
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitApplication() {
  if (!m_pszExeName) {
    WCHAR path[1024] = {};
    ::GetModuleFileName(nullptr, path, 1024);
    CString p(path);
    int slash = p.ReverseFind(u'/');
    CString name = p.Mid(slash + 1);
    int dot = name.ReverseFind(u'.');
    if (dot > 0) name = name.Left(dot);
    m_pszExeName = Dup(name);
  }
  if (!m_pszAppName) {
    CString title;
    if (!title.LoadString(AFX_IDS_APP_TITLE)) title = m_pszExeName;
    m_pszAppName = Dup(title);
  }
  if (!m_pszProfileName) {
    CString ini = CString(m_pszExeName) + u".INI";
    m_pszProfileName = Dup(ini);
  }
  pv::SetMessageBoxAppTitle(std::u16string_view(m_pszAppName));
  return TRUE;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() {
  if (m_pRecentFileList) SaveStdProfileSettings();
  // What the program saved on its way out reaches the disk now, not only
  // at exit (an application object destroyed after the exit handlers ran
  // would find no flush left).
  pv::FlushRegistry();
  return CWinThread::ExitInstance();
}

int CWinApp::Run() {
  if (!m_pMainWnd) {
    // Nothing to run for: leave, as Windows does.
    ::PostQuitMessage(0);
  }
  return CWinThread::Run();
}

BOOL CWinApp::OnIdle(LONG lCount) { return CWinThread::OnIdle(lCount); }

int CWinApp::DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt) {
  return ::AfxMessageBox(lpszPrompt, nType, nIDPrompt);
}

int AfxWinMain(HINSTANCE hInstance, LPTSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  AfxWinInit(hInstance, nullptr, lpCmdLine, nCmdShow);
  int code = -1;
  if (!app->InitApplication() || !app->InitInstance()) {
    if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
    code = app->ExitInstance();
  } else {
    code = app->Run();
  }
  return code;
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow) {
  if (CWinApp* app = AfxGetApp()) {
    app->m_hInstance = hInstance ? hInstance : AfxGetInstanceHandle();
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;
  }
  return TRUE;
}

// ---- profile ----------------------------------------------------------------------------------------------
void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  FreeName(m_pszRegistryKey);
  m_pszRegistryKey = Dup(lpszRegistryKey);
  // The profile name becomes the application's name (was the INI file).
  FreeName(m_pszProfileName);
  m_pszProfileName = Dup(m_pszAppName ? m_pszAppName : u"");
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
  CString key;
  key.LoadString(nIDRegistryKey);
  SetRegistryKey(key);
}

HKEY CWinApp::GetAppRegistryKey() {
  if (!m_pszRegistryKey || !m_pszProfileName) return nullptr;
  HKEY software = nullptr, company = nullptr, app = nullptr;
  DWORD disp = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ,
                      nullptr, &software, &disp) != ERROR_SUCCESS)
    return nullptr;
  if (RegCreateKeyExW(software, m_pszRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ, nullptr,
                      &company, &disp) == ERROR_SUCCESS) {
    RegCreateKeyExW(company, m_pszProfileName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ, nullptr, &app,
                    &disp);
  }
  if (software) RegCloseKey(software);
  if (company) RegCloseKey(company);
  return app;
}

HKEY CWinApp::GetSectionKey(LPCTSTR lpszSection) {
  HKEY app = GetAppRegistryKey();
  if (!app) return nullptr;
  HKEY section = nullptr;
  DWORD disp = 0;
  RegCreateKeyExW(app, lpszSection, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ, nullptr, &section,
                  &disp);
  RegCloseKey(app);
  return section;
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) {
  if (m_pszRegistryKey) {
    HKEY key = GetSectionKey(lpszSection);
    if (!key) return static_cast<UINT>(nDefault);
    DWORD value = 0, type = 0, size = sizeof(value);
    LONG r = RegQueryValueExW(key, lpszEntry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(DWORD)) return static_cast<UINT>(nDefault);
    return value;
  }
  return ::GetPrivateProfileInt(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue) {
  if (m_pszRegistryKey) {
    HKEY key = GetSectionKey(lpszSection);
    if (!key) return FALSE;
    DWORD v = static_cast<DWORD>(nValue);
    LONG r = RegSetValueExW(key, lpszEntry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
  }
  CString text;
  text.Format(u"%d", nValue);
  return ::WritePrivateProfileString(lpszSection, lpszEntry, text, m_pszProfileName);
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) {
  if (m_pszRegistryKey) {
    HKEY key = GetSectionKey(lpszSection);
    if (key) {
      DWORD type = 0, size = 0;
      LONG r = RegQueryValueExW(key, lpszEntry, nullptr, &type, nullptr, &size);
      if (r == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::u16string buf(size / sizeof(WCHAR) + 1, u'\0');
        r = RegQueryValueExW(key, lpszEntry, nullptr, &type, reinterpret_cast<LPBYTE>(buf.data()), &size);
        RegCloseKey(key);
        if (r == ERROR_SUCCESS) {
          buf.resize(std::char_traits<char16_t>::length(buf.c_str()));
          return CString(std::move(buf));
        }
        return CString(lpszDefault);
      }
      RegCloseKey(key);
    }
    return CString(lpszDefault);
  }
  std::u16string buf(4096, u'\0');
  DWORD n = ::GetPrivateProfileString(lpszSection, lpszEntry, lpszDefault ? lpszDefault : u"", buf.data(),
                                      static_cast<DWORD>(buf.size()), m_pszProfileName);
  buf.resize(n);
  return CString(std::move(buf));
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue) {
  if (m_pszRegistryKey) {
    if (!lpszEntry) {
      HKEY app = GetAppRegistryKey();
      if (!app) return FALSE;
      LONG r = RegDeleteTreeW(app, lpszSection);
      RegCloseKey(app);
      return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
    }
    HKEY key = GetSectionKey(lpszSection);
    if (!key) return FALSE;
    LONG r;
    if (!lpszValue) {
      r = RegDeleteValueW(key, lpszEntry);
      if (r == ERROR_FILE_NOT_FOUND) r = ERROR_SUCCESS;
    } else {
      DWORD bytes = 0;
      while (lpszValue[bytes]) ++bytes;
      r = RegSetValueExW(key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue),
                         (bytes + 1) * sizeof(WCHAR));
    }
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
  }
  return ::WritePrivateProfileString(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

BOOL CWinApp::GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE* ppData, UINT* pBytes) {
  *ppData = nullptr;
  *pBytes = 0;
  if (m_pszRegistryKey) {
    HKEY key = GetSectionKey(lpszSection);
    if (!key) return FALSE;
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExW(key, lpszEntry, nullptr, &type, nullptr, &size);
    if (r == ERROR_SUCCESS && type == REG_BINARY) {
      *ppData = new BYTE[size ? size : 1];
      r = RegQueryValueExW(key, lpszEntry, nullptr, &type, *ppData, &size);
    }
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_BINARY) {
      delete[] * ppData;
      *ppData = nullptr;
      return FALSE;
    }
    *pBytes = size;
    return TRUE;
  }
  // In an INI file: two letters per byte, 'A' + nibble.
  CString text = GetProfileString(lpszSection, lpszEntry, nullptr);
  int n = text.GetLength();
  if (n == 0 || n % 2) return FALSE;
  auto* data = new BYTE[static_cast<size_t>(n / 2)];
  for (int i = 0; i < n; i += 2) {
    int hi = text[i] - u'A', lo = text[i + 1] - u'A';
    if (hi < 0 || hi > 15 || lo < 0 || lo > 15) {
      delete[] data;
      return FALSE;
    }
    data[i / 2] = static_cast<BYTE>(hi << 4 | lo);
  }
  *ppData = data;
  *pBytes = static_cast<UINT>(n / 2);
  return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes) {
  if (m_pszRegistryKey) {
    HKEY key = GetSectionKey(lpszSection);
    if (!key) return FALSE;
    LONG r = RegSetValueExW(key, lpszEntry, 0, REG_BINARY, pData, nBytes);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
  }
  std::u16string text;
  for (UINT i = 0; i < nBytes; ++i) {
    text += static_cast<char16_t>(u'A' + (pData[i] >> 4));
    text += static_cast<char16_t>(u'A' + (pData[i] & 15));
  }
  return WriteProfileString(lpszSection, lpszEntry, text.c_str());
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
  if (nMaxMRU > 16) nMaxMRU = 16;
  delete m_pRecentFileList;
  m_pRecentFileList = nullptr;
  if (nMaxMRU != 0) {
    m_pRecentFileList = new CRecentFileList(0, u"Recent File List", u"File%d", static_cast<int>(nMaxMRU));
    m_pRecentFileList->ReadList();
  }
}

void CWinApp::SaveStdProfileSettings() {
  if (m_pRecentFileList) m_pRecentFileList->WriteList();
}

void CWinApp::AddToRecentFileList(LPCTSTR lpszPathName) {
  if (m_pRecentFileList) m_pRecentFileList->Add(lpszPathName);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID) {
  if (!m_pRecentFileList) return FALSE;
  int index = static_cast<int>(nID - ID_FILE_MRU_FILE1);
  if (index < 0 || index >= m_pRecentFileList->GetSize() || (*m_pRecentFileList)[index].IsEmpty()) return FALSE;
  CString name = (*m_pRecentFileList)[index];
  if (!OpenDocumentFile(name)) m_pRecentFileList->Remove(index);
  return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI) {
  if (!m_pRecentFileList) {
    pCmdUI->Enable(FALSE);
    return;
  }
  m_pRecentFileList->UpdateMenu(pCmdUI);
}

void CWinApp::HideApplication() {
  if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->ShowWindow(SW_HIDE);
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

// ---- documents (through the document manager) --------------------------------------------------------------
void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
  if (!m_pDocManager) m_pDocManager = new CDocManager;
  m_pDocManager->AddDocTemplate(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const {
  return m_pDocManager ? m_pDocManager->GetFirstDocTemplatePosition() : nullptr;
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const {
  return m_pDocManager ? m_pDocManager->GetNextDocTemplate(pos) : nullptr;
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
  return m_pDocManager ? m_pDocManager->OpenDocumentFile(lpszFileName) : nullptr;
}

BOOL CWinApp::SaveAllModified() { return m_pDocManager ? m_pDocManager->SaveAllModified() : TRUE; }

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
  if (m_pDocManager) m_pDocManager->CloseAllDocuments(bEndSession);
}

int CWinApp::GetOpenDocumentCount() { return m_pDocManager ? m_pDocManager->GetDocumentCount() : 0; }

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate) {
  if (!m_pDocManager) m_pDocManager = new CDocManager;
  return m_pDocManager->DoPromptFileName(fileName, nIDSTitle, lFlags, bOpenFileDialog, pTemplate);
}

void CWinApp::OnFileNew() {
  if (m_pDocManager) m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen() {
  if (m_pDocManager) m_pDocManager->OnFileOpen();
}

// ---- CRecentFileList -----------------------------------------------------------------------------------------
CRecentFileList::CRecentFileList(UINT nStart, LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize, int nMaxDispLen)
    : m_nSize(nSize < 0 ? 0 : nSize),
      m_arrNames(static_cast<size_t>(nSize < 0 ? 0 : nSize)),
      m_strSectionName(lpszSection),
      m_strEntryFormat(lpszEntryFormat),
      m_nStart(nStart),
      m_nMaxDisplayLength(nMaxDispLen) {}

void CRecentFileList::Add(LPCTSTR lpszPathName) {
  if (m_nSize == 0 || !lpszPathName || !*lpszPathName) return;
  CString name(lpszPathName);
  int found = m_nSize - 1;
  for (int i = 0; i < m_nSize; ++i) {
    if (m_arrNames[static_cast<size_t>(i)].CompareNoCase(name) == 0) {
      found = i;
      break;
    }
  }
  // Everything above the old place moves down one.
  for (int i = found; i > 0; --i) m_arrNames[static_cast<size_t>(i)] = m_arrNames[static_cast<size_t>(i - 1)];
  m_arrNames[0] = name;
}

void CRecentFileList::Remove(int nIndex) {
  if (nIndex < 0 || nIndex >= m_nSize) return;
  for (int i = nIndex; i < m_nSize - 1; ++i)
    m_arrNames[static_cast<size_t>(i)] = m_arrNames[static_cast<size_t>(i + 1)];
  m_arrNames[static_cast<size_t>(m_nSize - 1)].Empty();
}

BOOL CRecentFileList::GetDisplayName(CString& strName, int nIndex, LPCTSTR lpszCurDir, int nCurDir,
                                     BOOL bAtLeastName) const {
  if (nIndex < 0 || nIndex >= m_nSize) return FALSE;
  const CString& path = m_arrNames[static_cast<size_t>(nIndex)];
  if (path.IsEmpty()) return FALSE;
  // A file in the current folder shows without it.
  if (lpszCurDir && nCurDir > 0 && path.GetLength() > nCurDir &&
      path.Left(nCurDir).CompareNoCase(CString(lpszCurDir, nCurDir)) == 0 &&
      CString(path.Mid(nCurDir)).Find(u'/') <= 0) {
    strName = path.Mid(nCurDir);
    if (strName[0] == u'/') strName = strName.Mid(1);
    return TRUE;
  }
  strName = path;
  if (m_nMaxDisplayLength > 0 && path.GetLength() > m_nMaxDisplayLength) {
    // Abbreviate as "first folder/.../file".
    int last = path.ReverseFind(u'/');
    CString file = path.Mid(last + 1);
    int first = path.Find(u'/', path[0] == u'/' ? 1 : 0);
    CString head = first > 0 ? path.Left(first + 1) : CString();
    if (bAtLeastName && file.GetLength() >= m_nMaxDisplayLength) strName = file;
    else if (head.GetLength() + 4 + file.GetLength() <= m_nMaxDisplayLength) strName = head + u".../" + file;
    else strName = file;
  }
  return TRUE;
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI) {
  CMenu* menu = pCmdUI->m_pMenu;
  if (m_strOriginal.IsEmpty() && menu) menu->GetMenuString(pCmdUI->m_nID, m_strOriginal, MF_BYCOMMAND);
  if (m_arrNames.empty() || m_arrNames[0].IsEmpty()) {
    // An empty list shows the original item, disabled.
    if (!m_strOriginal.IsEmpty()) pCmdUI->SetText(m_strOriginal);
    pCmdUI->Enable(FALSE);
    return;
  }
  if (!menu) return;
  for (int i = 0; i < m_nSize; ++i) menu->DeleteMenu(pCmdUI->m_nID + static_cast<UINT>(i), MF_BYCOMMAND);
  for (int i = 0; i < m_nSize; ++i) {
    CString name;
    if (!GetDisplayName(name, i, nullptr, 0)) break;
    // '&' in a file name must not become a mnemonic.
    name.Replace(u"&", u"&&");
    CString item;
    item.Format(u"&%d %s", (i + 1 + static_cast<int>(m_nStart)) % 10, static_cast<LPCTSTR>(name));
    menu->InsertMenu(pCmdUI->m_nIndex++, MF_STRING | MF_BYPOSITION, pCmdUI->m_nID++, item);
  }
  pCmdUI->m_nIndex--;
  pCmdUI->m_nIndexMax = menu->GetMenuItemCount();
  pCmdUI->m_bEnableChanged = TRUE;
}

void CRecentFileList::ReadList() {
  CWinApp* app = AfxGetApp();
  if (!app) return;
  for (int i = 0; i < m_nSize; ++i) {
    CString entry;
    entry.Format(m_strEntryFormat, i + 1);
    m_arrNames[static_cast<size_t>(i)] = app->GetProfileString(m_strSectionName, entry, u"");
  }
}

void CRecentFileList::WriteList() {
  CWinApp* app = AfxGetApp();
  if (!app) return;
  // The section is rewritten whole so that names dropped from the list go.
  app->WriteProfileString(m_strSectionName, nullptr, nullptr);
  for (int i = 0; i < m_nSize; ++i) {
    const CString& name = m_arrNames[static_cast<size_t>(i)];
    if (name.IsEmpty()) continue;
    CString entry;
    entry.Format(m_strEntryFormat, i + 1);
    app->WriteProfileString(m_strSectionName, entry, name);
  }
}
