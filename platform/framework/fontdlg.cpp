// The font dialog: the installed sink (tests script it), else the built-in
// dialog on a desktop, else a cancel.
#include "platform/framework/afxdlg.h"

IMPLEMENT_DYNAMIC(CFontDialog, CDialog)

namespace {
pv::FontDialogSink& Sink() {
  static pv::FontDialogSink sink;
  return sink;
}
}  // namespace

pv::FontDialogSink pv::SetFontDialogSink(FontDialogSink sink) {
  FontDialogSink old = std::move(Sink());
  Sink() = std::move(sink);
  return old;
}

pv::FontDialogSink pv::BuiltInFontDialogSink() {
  return [](CHOOSEFONTW& cf) { return RunBuiltInFontDialog(cf, cf.hwndOwner); };
}

CFontDialog::CFontDialog(LPLOGFONTW lplfInitial, DWORD dwFlags, CDC*, CWnd* pParentWnd) {
  m_pParentWnd = pParentWnd;
  m_cf.lStructSize = sizeof(m_cf);
  m_cf.Flags = dwFlags;
  m_cf.lpLogFont = &m_lf;
  m_cf.lpszStyle = m_szStyleName;
  m_cf.nFontType = SCREEN_FONTTYPE;
  if (lplfInitial) {
    m_lf = *lplfInitial;
    m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
  }
}

INT_PTR CFontDialog::DoModal() {
  if (m_pParentWnd) m_cf.hwndOwner = m_pParentWnd->GetSafeHwnd();
  // The answer goes to a copy first: a cancel leaves the members as they were.
  CHOOSEFONTW cf = m_cf;
  LOGFONTW lf = m_lf;
  WCHAR style[64] = {};
  std::copy(std::begin(m_szStyleName), std::end(m_szStyleName), style);
  cf.lpLogFont = &lf;
  if (cf.lpszStyle == m_szStyleName) cf.lpszStyle = style;
  int answer = IDCANCEL;
  if (Sink()) answer = Sink()(cf);
  else if (pv::CommonDialogsHaveDisplay()) answer = pv::RunBuiltInFontDialog(cf, cf.hwndOwner);
  if (answer != IDOK) return IDCANCEL;
  cf.lpLogFont = &m_lf;
  if (cf.lpszStyle == style) cf.lpszStyle = m_szStyleName;
  m_cf = cf;
  m_lf = lf;
  std::copy(std::begin(style), std::end(style), m_szStyleName);
  m_szStyleName[std::size(m_szStyleName) - 1] = 0;
  return IDOK;
}
