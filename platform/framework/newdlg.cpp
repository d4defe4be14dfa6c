// The "New" chooser File New shows when the application has several kinds of
// document. Made of the standard controls from an in-memory template; the
// framework talks to them with messages only.
#include "platform/framework/afxdlg.h"
#include "platform/framework/owndialog.h"
#include "platform/framework/afxdoc.h"

namespace {

using pv::afx::kStaticId;

class CNewTypeDlg : public CDialog {
 public:
  explicit CNewTypeDlg(const std::vector<std::pair<CString, CDocTemplate*>>& choices) : choices_(choices) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    HWND list = ::GetDlgItem(m_hWnd, pv::kNewTypeList);
    for (size_t i = 0; i < choices_.size(); ++i) {
      LRESULT row =
          ::SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(choices_[i].first)));
      ::SendMessage(list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(i));
    }
    ::SendMessage(list, LB_SETCURSEL, 0, 0);
    GotoDlgCtrl(CWnd::FromHandle(list));
    return FALSE;
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == pv::kNewTypeList && HIWORD(wParam) == LBN_DBLCLK) {
      OnOK();
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }

  void OnOK() override {
    HWND list = ::GetDlgItem(m_hWnd, pv::kNewTypeList);
    LRESULT row = ::SendMessage(list, LB_GETCURSEL, 0, 0);
    if (row < 0) {
      ::MessageBeep(0);
      return;
    }
    LRESULT index = ::SendMessage(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
    if (index < 0 || static_cast<size_t>(index) >= choices_.size()) return;
    chosen_ = choices_[static_cast<size_t>(index)].second;
    EndDialog(IDOK);
  }

  CDocTemplate* chosen_ = nullptr;

 private:
  const std::vector<std::pair<CString, CDocTemplate*>>& choices_;
};

pv::DialogTemplate MakeTemplate() {
  pv::DialogTemplate t = pv::afx::OwnDialogTemplate(u"New", 180, 72);
  auto add = [&t](auto&&... args) { pv::afx::AddControl(t, args...); };
  add(WC_STATIC, u"&New", 0, kStaticId, 7, 6, 110, 9);
  add(WC_LISTBOX, u"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, pv::kNewTypeList, 7, 17,
      110, 48);
  add(WC_BUTTON, u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, static_cast<UINT>(IDOK), 123, 17, 50, 14);
  add(WC_BUTTON, u"Cancel", WS_TABSTOP, static_cast<UINT>(IDCANCEL), 123, 35, 50, 14);
  return t;
}

}  // namespace

CDocTemplate* pv::ChooseNewDocTemplate(const std::vector<CDocTemplate*>& templates, CWnd* pParentWnd) {
  std::vector<std::pair<CString, CDocTemplate*>> choices;
  for (CDocTemplate* t : templates) {
    CString name;
    if (t && t->GetDocString(name, CDocTemplate::fileNewName) && !name.IsEmpty()) choices.emplace_back(name, t);
  }
  // Nothing to tell apart: the first kind, as with a single template.
  if (choices.empty()) return templates.empty() ? nullptr : templates.front();
  if (choices.size() == 1) return choices.front().second;
  CNewTypeDlg dlg(choices);
  dlg.InitModalIndirect(MakeTemplate(), pParentWnd);
  return dlg.DoModal() == IDOK ? dlg.chosen_ : nullptr;
}
