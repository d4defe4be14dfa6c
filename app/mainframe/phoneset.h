// CPHONESET: the text-message settings dialog (dialog 197). It starts from
// the main frame's settings, writes them back to the frame and to the
// registry on OK, and can ask the service for the account's balance, send a
// typed test message and open the page where an account is requested.
#pragma once

#include "app/mainframe/messagesettings.h"
#include "platform/framework/afxdlg.h"

class CPHONESET : public CDialogEx {
 public:
  // `frameSettings`: the main frame's settings, read when the dialog opens
  // and replaced on OK.
  explicit CPHONESET(CMessageSettings& frameSettings, CWnd* pParent = nullptr);

  int m_useMessage = 1;
  CString m_tongDao;
  CString m_userName;
  CString m_userPwd;
  CString m_phoneNo;
  int m_runSend = 0;
  int m_quitSend = 1;
  CString m_day;
  CString m_houZhui;

  // The label before the balance, and the text of an empty test message.
  static constexpr const char16_t* kBalanceCaption = u"剩余message条数:";
  static constexpr const char16_t* kEmptyTestText = u"message内容不能为空";

  // Button handlers (commands 1069, 1, 1070, 1076, 1090).
  void OnUseMessage();
  void OnOK() override;
  void QueryMessageBalance();
  void OnSendTest();
  void OnRequestAccount();

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  CMessageSettings& m_frame;

  DECLARE_MESSAGE_MAP()
};
