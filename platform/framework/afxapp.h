// The application object: CWinThread (message loop with idle processing)
// and CWinApp (start-up, profile settings over the registry or an INI file,
// the recent-file list, document templates and the standard file commands).
#pragma once

#include <vector>

#include "platform/base/collections.h"
#include "platform/framework/afxmsg.h"

class CDocTemplate;
class CDocument;
class CRecentFileList;

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)
 public:
  CWinThread();
  ~CWinThread() override;

  CWnd* m_pMainWnd = nullptr;
  CWnd* m_pActiveWnd = nullptr;
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  MSG m_msgCur{};

  virtual BOOL InitInstance() { return FALSE; }
  virtual int ExitInstance();
  // The message loop: pumps messages, and runs OnIdle (count 0, 1, ...)
  // while the queue is empty. Returns ExitInstance's code after WM_QUIT.
  virtual int Run();
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL PumpMessage();
  // Count 0 updates the user interface (WM_IDLEUPDATECMDUI), count 1
  // frees temporary objects; answers whether more idle work is wanted.
  virtual BOOL OnIdle(LONG lCount);
  virtual BOOL IsIdleMessage(MSG* pMsg);
  virtual CWnd* GetMainWnd();
  virtual BOOL ProcessMessageFilter(int code, LPMSG lpMsg);

 protected:
  MSG m_msgLast{};

  DECLARE_MESSAGE_MAP()
};

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)
 public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  // Names: malloc'ed strings the application may replace (free + strdup).
  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszExeName = nullptr;
  LPCTSTR m_pszHelpFilePath = nullptr;
  LPCTSTR m_pszProfileName = nullptr;
  LPCTSTR m_pszRegistryKey = nullptr;
  HINSTANCE m_hInstance = nullptr;
  LPTSTR m_lpCmdLine = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;
  CRecentFileList* m_pRecentFileList = nullptr;
  class CDocManager* m_pDocManager = nullptr;
  BOOL m_bHelpMode = FALSE;

  virtual BOOL InitApplication();
  BOOL InitInstance() override;
  int ExitInstance() override;
  int Run() override;
  BOOL OnIdle(LONG lCount) override;
  virtual int DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt);

  // ---- settings ----
  // With a key: HKEY_CURRENT_USER\Software\<key>\<profile name>\<section>;
  // without: the INI file m_pszProfileName (default "<exe name>.INI").
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  void SetRegistryKey(UINT nIDRegistryKey);
  HKEY GetAppRegistryKey();
  HKEY GetSectionKey(LPCTSTR lpszSection);
  UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
  BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
  CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
  // A null entry deletes the section, a null value the entry.
  BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);
  // *ppData is new[]'d; the caller deletes it.
  BOOL GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE* ppData, UINT* pBytes);
  BOOL WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes);
  // Reads the recent-file list (nMaxMRU names, 0 for none).
  void LoadStdProfileSettings(UINT nMaxMRU = 4);
  void SaveStdProfileSettings();
  virtual void AddToRecentFileList(LPCTSTR lpszPathName);

  // ---- documents ----
  void AddDocTemplate(CDocTemplate* pTemplate);
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
  virtual BOOL SaveAllModified();
  void CloseAllDocuments(BOOL bEndSession);
  int GetOpenDocumentCount();
  virtual BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                                CDocTemplate* pTemplate);

  // ---- commands ----
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();
  // The default printer's settings: there is no printer here, so FALSE and
  // the record is left as it was.
  BOOL GetPrinterDeviceDefaults(struct PRINTDLGW*) { return FALSE; }
  BOOL OnOpenRecentFile(UINT nID);
  void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);
  void HideApplication();

 protected:
  DECLARE_MESSAGE_MAP()
};

// The application object and its pieces.
CWinApp* AfxGetApp();
CWinThread* AfxGetThread();
CWnd* AfxGetMainWnd();
LPCTSTR AfxGetAppName();
// Runs the application: InitApplication, InitInstance, Run (ExitInstance
// when start-up fails). Answers the exit code.
int AfxWinMain(HINSTANCE hInstance = nullptr, LPTSTR lpCmdLine = nullptr, int nCmdShow = SW_SHOWNORMAL);
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
inline void AfxPostQuitMessage(int nExitCode) { ::PostQuitMessage(nExitCode); }

// Per-thread data: an object of a class derived from CNoTrackObject, made on
// a thread's first use of a CThreadLocal and deleted when that thread ends.
class CNoTrackObject {
 public:
  virtual ~CNoTrackObject() = default;
};
namespace pv {
// The calling thread's object for `slot`, made with `make` the first time.
CNoTrackObject* ThreadLocalData(const void* slot, CNoTrackObject* (*make)());
}  // namespace pv
template <class T>
class CThreadLocal {
 public:
  T* GetData() {
    return static_cast<T*>(pv::ThreadLocalData(this, []() -> CNoTrackObject* { return new T; }));
  }
  T* operator->() { return GetData(); }
  operator T*() { return GetData(); }
};
// Services Windows needs set up first; here they are always ready.
BOOL AfxOleInit();
void AfxOleTerm(BOOL bJustRevoke = FALSE);
BOOL AfxSocketInit(void* lpwsaData = nullptr);
void AfxEnableControlContainer(void* pCreator = nullptr);
BOOL AfxInitRichEdit2();
HINSTANCE AfxLoadLibrary(LPCTSTR lpszModuleName);
BOOL AfxFreeLibrary(HINSTANCE hInstLib);
// Runs idle processing once for the thread (tests, modal loops).
void AfxIdleOnce();
// Deletes every temporary object of this thread's handle maps.
void AfxDeleteTempMaps();

struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
void InitCommonControls();

// ---- the recent-file list --------------------------------------------------------------------------
class CRecentFileList {
 public:
  // nStart: first menu id offset; entry format e.g. "File%d" (1-based).
  CRecentFileList(UINT nStart, LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize, int nMaxDispLen = 30);
  virtual ~CRecentFileList() = default;

  int GetSize() const { return m_nSize; }
  CString& operator[](int nIndex) { return m_arrNames[static_cast<size_t>(nIndex)]; }
  // Puts the name first; the same file (case ignored) moves up instead of
  // appearing twice; the last name drops off a full list.
  virtual void Add(LPCTSTR lpszPathName);
  virtual void Remove(int nIndex);
  virtual BOOL GetDisplayName(CString& strName, int nIndex, LPCTSTR lpszCurDir, int nCurDir,
                              BOOL bAtLeastName = TRUE) const;
  virtual void UpdateMenu(CCmdUI* pCmdUI);
  virtual void ReadList();
  virtual void WriteList();

  int m_nSize;
  std::vector<CString> m_arrNames;
  CString m_strSectionName;
  CString m_strEntryFormat;
  UINT m_nStart;
  int m_nMaxDisplayLength;
  CString m_strOriginal;  // the menu text the list replaced
};

// The application's templates and open documents.
class CDocManager : public CObject {
 public:
  CDocManager() = default;
  ~CDocManager() override;
  virtual void AddDocTemplate(CDocTemplate* pTemplate);
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
  int GetDocumentCount();
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL bEndSession);
  virtual void OnFileNew();
  virtual void OnFileOpen();
  virtual BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                                CDocTemplate* pTemplate);
  CPtrList m_templateList;
};
