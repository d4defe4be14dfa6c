// Dialogs: CDialog/CDialogEx made from dialog templates (modal with their
// own loop, or modeless), keyboard navigation, dialog data exchange and
// validation (DDX_/DDV_), and the file and font dialogs.
#pragma once

#include <functional>
#include <vector>

#include "platform/framework/afxapp.h"

class COleDateTime;

// Dialog messages and styles the dialog manager understands.
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DM_REPOSITION (WM_USER + 2)
#define DC_HASDEFID 0x534B
#ifndef DS_SETFONT
#define DS_ABSALIGN 0x01L
#define DS_SYSMODAL 0x02L
#define DS_LOCALEDIT 0x20L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_NOIDLEMSG 0x100L
#define DS_SETFOREGROUND 0x200L
#define DS_3DLOOK 0x0004L
#define DS_FIXEDSYS 0x0008L
#define DS_NOFAILCREATE 0x0010L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)
#endif
#define WC_DIALOG (u"#32770")

// ---- the dialog manager --------------------------------------------------------------------------
namespace pv {
// Creates a dialog window from a template (a decoded one, or a resource
// via DialogTemplateFromResource), with its controls laid out in dialog
// units of the template's font. The window is bound to pDialog when given.
// Sends WM_INITDIALOG; answers null when a control's class is unknown.
HWND CreateDialogFromTemplate(const DialogTemplate& tmpl, HWND parent, CWnd* pDialog, LPARAM initParam);
bool DialogTemplateFromResource(HINSTANCE inst, LPCTSTR name, DialogTemplate* out);
// Dialog units → pixels for a dialog window (its font's base units).
void MapDialogRect(HWND dialog, LPRECT rect);
// Tab, arrows, Enter, Escape and mnemonics for a dialog (true: consumed).
bool DialogKeyMessage(HWND dialog, MSG* msg);
}  // namespace pv

BOOL IsDialogMessage(HWND hDlg, LPMSG lpMsg);
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
LONG GetDialogBaseUnits();
HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
BOOL EndDialog(HWND hDlg, INT_PTR nResult);

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  CDialog();
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Modeless.
  virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  BOOL CreateIndirect(const pv::DialogTemplate& tmpl, CWnd* pParentWnd = nullptr);
  // Modal: runs its own loop until EndDialog; answers its result (-1 when
  // the dialog cannot be made).
  virtual INT_PTR DoModal();
  BOOL InitModalIndirect(const pv::DialogTemplate& tmpl, CWnd* pParentWnd = nullptr);
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();
  virtual void OnSetFont(CFont*) {}
  virtual void OnOK();
  virtual void OnCancel();
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  void NextDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void PrevDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
  void GotoDlgCtrl(CWnd* pWndCtrl) {
    ::SendMessage(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(HwndOf(pWndCtrl)), 1);
  }
  void SetDefID(UINT nID) { ::SendMessage(m_hWnd, DM_SETDEFID, nID, 0); }
  DWORD GetDefID() const { return static_cast<DWORD>(::SendMessage(m_hWnd, DM_GETDEFID, 0, 0)); }
  void MapDialogRect(LPRECT lpRect) const { pv::MapDialogRect(m_hWnd, lpRect); }

  LPCTSTR m_lpszTemplateName = nullptr;
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;
  HWND m_hWndTop = nullptr;
  BOOL m_bModal = FALSE;

 protected:
  LRESULT HandleInitDialog(WPARAM, LPARAM);
  LRESULT OnKickIdle(WPARAM, LPARAM) { return 0; }
  BOOL LoadTemplate(pv::DialogTemplate* out) const;
  bool m_hasIndirect = false;
  pv::DialogTemplate m_indirect;

  DECLARE_MESSAGE_MAP()
};

// The same dialog with a background colour or image of its own.
class CDialogEx : public CDialog {
  DECLARE_DYNAMIC(CDialogEx)
 public:
  CDialogEx() = default;
  explicit CDialogEx(UINT nIDTemplate, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}
  explicit CDialogEx(LPCTSTR lpszTemplateName, CWnd* pParent = nullptr) : CDialog(lpszTemplateName, pParent) {}
  ~CDialogEx() override;
  void SetBackgroundColor(COLORREF color, BOOL bRepaint = TRUE);
  void SetBackgroundImage(HBITMAP hBitmap, int location = 0, BOOL bAutoDestroy = TRUE, BOOL bRepaint = TRUE);

 protected:
  BOOL OnEraseBkgnd(CDC* pDC);
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  CBrush m_brBack;
  HBITMAP m_hBkgrBitmap = nullptr;
  BOOL m_bAutoDestroyBmp = FALSE;

  DECLARE_MESSAGE_MAP()
};

// A page of a tabbed set of pages: a modeless child dialog that is told when
// it becomes the shown page and when it stops being it. Enter and Escape
// inside a page do not end it (the pages' owner decides).
class CPropertyPage : public CDialog {
  DECLARE_DYNAMIC(CPropertyPage)
 public:
  CPropertyPage() = default;
  explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
  explicit CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption = 0);

  // The page is being shown: TRUE to accept. The first time the controls
  // are as OnInitDialog filled them; later the members are shown again.
  virtual BOOL OnSetActive();
  // The page is being left: the controls' values go back to the members;
  // FALSE (validation failed, focus is on the field) keeps the page.
  virtual BOOL OnKillActive();
  void OnOK() override {}
  void OnCancel() override {}

  CString m_strCaption;  // the tab's text (nIDCaption), empty: the template's caption

 protected:
  BOOL m_bFirstSetActive = TRUE;

  DECLARE_MESSAGE_MAP()
};

// ---- the "New" chooser ----------------------------------------------------------------------------
class CDocTemplate;
namespace pv {
// Asks which kind of document File New makes: a modal "New" dialog listing
// the templates' file-new names (templates without one are left out), in
// the order given. With one such template it is answered without asking,
// and with none the first template is. Null when the user cancels (or the
// list is empty). The dialog is
// made of the standard "ListBox", "Static" and "Button" controls.
CDocTemplate* ChooseNewDocTemplate(const std::vector<CDocTemplate*>& templates, CWnd* pParentWnd);
constexpr int kNewTypeList = 100;  // list box of the chooser
}  // namespace pv

// ---- dialog data exchange ----------------------------------------------------------------------
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  HWND m_idLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;

  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  // Validation failed: focus goes back to the last control prepared (its
  // text selected for an edit) and CUserException is thrown; UpdateData
  // catches it and answers FALSE.
  [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, short& value);
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_DateTimeCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value);
void DDX_MonthCalCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value);

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal);
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal);
void DDV_MinMaxFloat(CDataExchange* pDX, const float& value, float minVal, float maxVal);

// ---- the file dialog ---------------------------------------------------------------------------------
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_SHAREAWARE 0x00004000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_NONETWORKBUTTON 0x00020000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_FORCESHOWHIDDEN 0x10000000

struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  void* lpfnHook;
  LPCWSTR lpTemplateName;
};
using OPENFILENAME = OPENFILENAMEW;

namespace pv {
// What a file dialog asks; the sink fills `files` (full paths) and answers
// IDOK or IDCANCEL. The default sink (no display) cancels; tests script it.
struct FileDialogRequest {
  bool open = true;
  std::u16string title;
  std::u16string initialDir;
  std::u16string fileName;  // proposed name
  std::u16string defExt;
  std::vector<std::pair<std::u16string, std::u16string>> filters;  // (description, patterns)
  DWORD flags = 0;                                                 // OFN_READONLY is answered back (the read-only box)
  DWORD filterIndex = 1;                                           // 1-based, answered back
  std::vector<std::u16string> files;
  HWND owner = nullptr;
};
using FileDialogSink = std::function<int(FileDialogRequest&)>;
FileDialogSink SetFileDialogSink(FileDialogSink sink);

// True when the common dialogs can show themselves: a desktop display, not
// PRAVENOR_HEADLESS and not the headless window back end.
bool CommonDialogsHaveDisplay();

// The file dialog made of the standard controls ("Static", "Edit",
// "ListBox", "ComboBox", "Button"; registered by the caller): the folder as
// a path, ".." and sub-folders (shown as "name/") then the files matching
// the chosen type, a name box, the types, Open/Save and Cancel, and an
// "Open as read-only" box unless OFN_HIDEREADONLY. Answers IDOK with one
// full path in request.files, or IDCANCEL (also when it cannot be made).
int RunBuiltInFileDialog(FileDialogRequest& request, HWND owner);
// The same as a sink, so tests drive it headless with queued input.
FileDialogSink BuiltInFileDialogSink();
// Control ids of the built-in file dialog.
constexpr int kFileDlgFolder = 1088;    // static: the current folder
constexpr int kFileDlgList = 1120;      // list box: folders and files
constexpr int kFileDlgName = 1152;      // edit: the file name
constexpr int kFileDlgType = 1136;      // drop-down list: the file types
constexpr int kFileDlgReadOnly = 1040;  // check box
}  // namespace pv

class CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                       CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);
  ~CFileDialog() override = default;

  // Asks the sink; a save dialog with OFN_OVERWRITEPROMPT asks before an
  // existing file is replaced (No asks for another name).
  INT_PTR DoModal() override;
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;
  CString GetFolderPath() const;
  BOOL GetReadOnlyPref() const { return (m_ofn.Flags & OFN_READONLY) != 0; }
  POSITION GetStartPosition() const;
  CString GetNextPathName(POSITION& pos) const;

  OPENFILENAME m_ofn{};
  BOOL m_bOpenFileDialog;

 protected:
  std::u16string m_filter;  // double-zero list
  std::u16string m_defExt;
  std::u16string m_title;
  std::vector<std::u16string> m_files;
  WCHAR m_szFileName[4096] = {};
  WCHAR m_szFileTitle[260] = {};
};

// ---- the font dialog ---------------------------------------------------------------------------------
#define CF_SCREENFONTS 0x00000001
#define CF_PRINTERFONTS 0x00000002
#define CF_BOTH (CF_SCREENFONTS | CF_PRINTERFONTS)
#define CF_SHOWHELP 0x00000004
#define CF_ENABLEHOOK 0x00000008
#define CF_ENABLETEMPLATE 0x00000010
#define CF_ENABLETEMPLATEHANDLE 0x00000020
#define CF_INITTOLOGFONTSTRUCT 0x00000040
#define CF_USESTYLE 0x00000080
#define CF_EFFECTS 0x00000100
#define CF_APPLY 0x00000200
#define CF_ANSIONLY 0x00000400
#define CF_SCRIPTSONLY CF_ANSIONLY
#define CF_NOVECTORFONTS 0x00000800
#define CF_NOOEMFONTS CF_NOVECTORFONTS
#define CF_NOSIMULATIONS 0x00001000
#define CF_LIMITSIZE 0x00002000
#define CF_FIXEDPITCHONLY 0x00004000
#define CF_WYSIWYG 0x00008000
#define CF_FORCEFONTEXIST 0x00010000
#define CF_SCALABLEONLY 0x00020000
#define CF_TTONLY 0x00040000
#define CF_NOFACESEL 0x00080000
#define CF_NOSTYLESEL 0x00100000
#define CF_NOSIZESEL 0x00200000
#define CF_SELECTSCRIPT 0x00400000
#define CF_NOSCRIPTSEL 0x00800000
#define CF_NOVERTFONTS 0x01000000
#ifndef SCREEN_FONTTYPE
#define BOLD_FONTTYPE 0x0100
#define ITALIC_FONTTYPE 0x0200
#define REGULAR_FONTTYPE 0x0400
#define SCREEN_FONTTYPE 0x2000
#define PRINTER_FONTTYPE 0x4000
#define SIMULATED_FONTTYPE 0x8000
#endif

struct CHOOSEFONTW {
  DWORD lStructSize;
  HWND hwndOwner;
  HDC hDC;
  LPLOGFONTW lpLogFont;
  INT iPointSize;  // tenths of a point, answered back
  DWORD Flags;
  COLORREF rgbColors;  // the text colour (CF_EFFECTS)
  LPARAM lCustData;
  void* lpfnHook;
  LPCWSTR lpTemplateName;
  HINSTANCE hInstance;
  LPWSTR lpszStyle;  // CF_USESTYLE: the style name, LF_FACESIZE characters
  WORD nFontType;
  WORD wReserved;
  INT nSizeMin;  // CF_LIMITSIZE
  INT nSizeMax;
};
using CHOOSEFONT = CHOOSEFONTW;

namespace pv {
// The sink edits *lpLogFont, iPointSize and rgbColors and answers IDOK or
// IDCANCEL. Tests install one; with none the built-in dialog runs on a
// desktop and the dialog cancels headless.
using FontDialogSink = std::function<int(CHOOSEFONTW&)>;
FontDialogSink SetFontDialogSink(FontDialogSink sink);
// The font dialog made of the standard controls: faces from the GDI's
// EnumFontFamiliesEx, styles Regular/Italic/Bold/Bold Italic, sizes, and
// with CF_EFFECTS Strikeout, Underline and the 16 standard colours; a
// sample drawn in the chosen font. IDCANCEL also when it cannot be made.
int RunBuiltInFontDialog(CHOOSEFONTW& cf, HWND owner);
FontDialogSink BuiltInFontDialogSink();
constexpr int kFontDlgFace = 1136;       // simple combo: faces
constexpr int kFontDlgStyle = 1137;      // simple combo: styles
constexpr int kFontDlgSize = 1138;       // simple combo: sizes in points
constexpr int kFontDlgStrikeOut = 1040;  // check box (CF_EFFECTS)
constexpr int kFontDlgUnderline = 1041;  // check box (CF_EFFECTS)
constexpr int kFontDlgColor = 1139;      // drop-down list (CF_EFFECTS)
constexpr int kFontDlgSample = 1092;     // static drawn in the chosen font
}  // namespace pv

class CFontDialog : public CDialog {
  DECLARE_DYNAMIC(CFontDialog)
 public:
  explicit CFontDialog(LPLOGFONTW lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                       CDC* pdcPrinter = nullptr, CWnd* pParentWnd = nullptr);
  ~CFontDialog() override = default;

  // Asks the sink, else the built-in dialog on a desktop, else cancels.
  INT_PTR DoModal() override;
  void GetCurrentFont(LPLOGFONTW lplf) const { *lplf = m_lf; }
  CString GetFaceName() const { return CString(m_lf.lfFaceName); }
  CString GetStyleName() const { return CString(m_szStyleName); }
  int GetSize() const { return m_cf.iPointSize; }  // tenths of a point
  COLORREF GetColor() const { return m_cf.rgbColors; }
  int GetWeight() const { return m_lf.lfWeight; }
  BOOL IsStrikeOut() const { return m_lf.lfStrikeOut ? TRUE : FALSE; }
  BOOL IsUnderline() const { return m_lf.lfUnderline ? TRUE : FALSE; }
  BOOL IsBold() const { return m_lf.lfWeight >= FW_SEMIBOLD ? TRUE : FALSE; }
  BOOL IsItalic() const { return m_lf.lfItalic ? TRUE : FALSE; }

  CHOOSEFONTW m_cf{};
  LOGFONTW m_lf{};

 protected:
  WCHAR m_szStyleName[64] = {};
};
