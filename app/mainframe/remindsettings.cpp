// The main frame's pop-up and text-message settings in the registry
// profile: read at construction, the pop-up ones written at destruction,
// the text-message ones by the settings dialog.
#include "app/mainframe/mainframe.h"
#include "app/mainframe/messagesettings.h"
#include "toolkit/common/registrymanager.h"

namespace {

constexpr const char16_t* kPopSettings = u"PopSettings";

struct PopValue {
  const char16_t* entry;
  CString CMainFrame::*member;
};

// In the order they are written.
const PopValue kPopValues[] = {
    {u"m_popStyle", &CMainFrame::m_popStyle},         {u"m_popTran", &CMainFrame::m_popTran},
    {u"m_animateStyle", &CMainFrame::m_animateStyle}, {u"m_animateSpeed", &CMainFrame::m_animateSpeed},
    {u"m_popTime", &CMainFrame::m_popTime},           {u"m_popSound", &CMainFrame::m_popSound},
    {u"m_skinStyle", &CMainFrame::m_skinStyle},       {u"m_skinSize", &CMainFrame::m_skinSize},
};

struct TextValue {
  const char16_t* section;
  const char16_t* entry;
  CString CMainFrame::*member;
};

const TextValue kMessageTexts[] = {
    {u"day", u"m_day", &CMainFrame::m_day},
    {u"UserName", u"m_userName", &CMainFrame::m_userName},
    {u"TongDao", u"m_tongDao", &CMainFrame::m_tongDao},
    {u"PhoneNo", u"m_phoneNo", &CMainFrame::m_phoneNo},
    {u"houzhui", u"m_houZhui", &CMainFrame::m_houZhui},
};

struct FlagValue {
  const char16_t* section;
  const char16_t* entry;
  bool CMainFrame::*member;
};

const FlagValue kMessageFlags[] = {
    {u"UseMessage", u"m_useMessage", &CMainFrame::m_useMessage},
    {u"RunSend", u"m_runSend", &CMainFrame::m_runSend},
    {u"QuitSend", u"m_quitSend", &CMainFrame::m_quitSend},
};

}  // namespace

void CMainFrame::LoadReminderSettings() {
  CTKRegistryManager registry(HKEY_CURRENT_USER);
  // The members hold the defaults until now.
  for (const PopValue& v : kPopValues)
    this->*v.member = registry.GetProfileString(kPopSettings, v.entry, (this->*v.member).GetString());
  for (const FlagValue& v : kMessageFlags)
    this->*v.member = registry.GetProfileInt(v.section, v.entry, this->*v.member ? 1 : 0) == 1;
  for (const TextValue& v : kMessageTexts)
    this->*v.member = registry.GetProfileString(v.section, v.entry, (this->*v.member).GetString());
  // The password is stored obscured (messagesettings.h).
  m_userPwd = CMessageSettings::RevealPassword(registry.GetProfileString(u"UserPwd", u"m_userPwd", u""));

  m_popupWnd.SetStyleName(m_popStyle);
  m_popupWnd.SetTransparencyText(m_popTran);
  m_popupWnd.SetAnimationName(m_animateStyle);
  m_popupWnd.SetSpeedName(m_animateSpeed);
  m_popupWnd.SetShowMinutes(m_popTime);
  m_popupWnd.UpdateStyleMetrics();
  m_popupWnd.m_strText.Empty();
}

void CMainFrame::SavePopupSettings() {
  CTKRegistryManager registry(HKEY_CURRENT_USER);
  for (const PopValue& v : kPopValues) registry.WriteProfileString(kPopSettings, v.entry, this->*v.member);
}

void CMainFrame::SaveMessageSettings() {
  CTKRegistryManager registry(HKEY_CURRENT_USER);
  for (const FlagValue& v : kMessageFlags) registry.WriteProfileInt(v.section, v.entry, this->*v.member ? 1 : 0);
  for (const TextValue& v : kMessageTexts) registry.WriteProfileString(v.section, v.entry, this->*v.member);
  registry.WriteProfileString(u"UserPwd", u"m_userPwd", CMessageSettings::ObscurePassword(m_userPwd));
}
