#include "app/mainframe/phoneset.h"

#include "app/mainframe/httpurl.h"
#include "app/mainframe/messageids.h"
#include "platform/framework/afxapp.h"
#include "platform/shell/shellapi.h"

BEGIN_MESSAGE_MAP(CPHONESET, CDialogEx)
ON_BN_CLICKED(IDC_PHONESET_USEMESSAGE, OnUseMessage)
ON_BN_CLICKED(IDC_PHONESET_BALANCE, QueryMessageBalance)
ON_BN_CLICKED(IDC_PHONESET_SENDTEST, OnSendTest)
ON_BN_CLICKED(IDC_PHONESET_REQUESTACCOUNT, OnRequestAccount)
END_MESSAGE_MAP()

CPHONESET::CPHONESET(CMessageSettings& frameSettings, CWnd* pParent)
    : CDialogEx(IDD_PHONESET, pParent), m_frame(frameSettings) {}

BOOL CPHONESET::OnInitDialog() {
  CDialogEx::OnInitDialog();
  CheckDlgButton(IDC_PHONESET_USEMESSAGE, BST_CHECKED);
  // Always the frame's current values, not what the registry holds.
  m_useMessage = m_frame.m_useMessage;
  m_tongDao = m_frame.m_tongDao;
  m_userName = m_frame.m_userName;
  m_userPwd = m_frame.m_userPwd;
  m_phoneNo = m_frame.m_phoneNo;
  m_runSend = m_frame.m_runSend;
  m_quitSend = m_frame.m_quitSend;
  m_day = m_frame.m_day;
  m_houZhui = m_frame.m_houZhui;
  UpdateData(FALSE);
  OnUseMessage();
  return TRUE;
}

void CPHONESET::DoDataExchange(CDataExchange* pDX) {
  CDialogEx::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_PHONESET_USEMESSAGE, m_useMessage);
  DDX_Text(pDX, IDC_PHONESET_USERNAME, m_userName);
  DDX_Text(pDX, IDC_PHONESET_PASSWORD, m_userPwd);
  DDX_Text(pDX, IDC_PHONESET_PHONE, m_phoneNo);
  DDV_MaxChars(pDX, m_phoneNo, 12);
  DDX_Check(pDX, IDC_PHONESET_RUNSEND, m_runSend);
  DDX_Check(pDX, IDC_PHONESET_QUITSEND, m_quitSend);
  DDX_CBString(pDX, IDC_PHONESET_DAYS, m_day);
  DDX_Text(pDX, IDC_PHONESET_SUFFIX, m_houZhui);
}

void CPHONESET::OnUseMessage() {
  // With messages off no text goes out; the balance can still be asked
  // for, with the account as it stands in the (disabled) edits.
  const BOOL on = IsDlgButtonChecked(IDC_PHONESET_USEMESSAGE) == BST_CHECKED;
  for (int id :
       {IDC_PHONESET_USERNAME, IDC_PHONESET_PASSWORD, IDC_PHONESET_PHONE, IDC_PHONESET_SENDTEST, IDC_PHONESET_TESTTEXT})
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(on);
}

void CPHONESET::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_frame.m_useMessage = m_useMessage;
  m_frame.m_tongDao = m_tongDao;
  m_frame.m_userName = m_userName;
  m_frame.m_userPwd = m_userPwd;
  m_frame.m_phoneNo = m_phoneNo;
  m_frame.m_runSend = m_runSend;
  m_frame.m_quitSend = m_quitSend;
  m_frame.m_day = m_day;
  m_frame.m_houZhui = m_houZhui.IsEmpty() ? CString(CMessageSettings::kDefaultSuffix) : m_houZhui;
  m_frame.Save();
  EndDialog(IDOK);
}

void CPHONESET::QueryMessageBalance() {
  CString userName, password, phone;
  GetDlgItemText(IDC_PHONESET_USERNAME, userName);
  GetDlgItemText(IDC_PHONESET_PASSWORD, password);
  GetDlgItemText(IDC_PHONESET_PHONE, phone);
  CHttpUrl client;
  const CString reply = client.QueryBalance(userName, password, phone);
  if (client.LastRequestFailed()) return;  // the label keeps its text
  SetDlgItemText(IDC_PHONESET_BALANCETEXT, (CString(kBalanceCaption) + reply).GetString());
}

void CPHONESET::OnSendTest() {
  if (IsDlgButtonChecked(IDC_PHONESET_USEMESSAGE) != BST_CHECKED) return;
  CString text;
  GetDlgItemText(IDC_PHONESET_TESTTEXT, text);
  if (text.IsEmpty()) {
    MessageBox(kEmptyTestText, AfxGetAppName(), MB_OK);
    return;
  }
  GetDlgItemText(IDC_PHONESET_USERNAME, m_userName);
  GetDlgItemText(IDC_PHONESET_PASSWORD, m_userPwd);
  GetDlgItemText(IDC_PHONESET_PHONE, m_phoneNo);
  CHttpUrl client;
  client.SendTextMessage(m_userName, m_userPwd, m_phoneNo, text);
}

void CPHONESET::OnRequestAccount() {
  // The service's own page, in the user's browser.
  const CString page = SmsServiceSettings::Load().BaseUrl() + u"/";
  ShellExecuteW(m_hWnd, u"open", page.GetString(), nullptr, nullptr, SW_SHOWNORMAL);
}
