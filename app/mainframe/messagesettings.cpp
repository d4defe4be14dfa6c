#include "app/mainframe/messagesettings.h"

#include <string>

#include "platform/system/registry.h"
#include "toolkit/common/registrymanager.h"

namespace {

constexpr const char16_t* kObscuredMark = u"pv1:";

// The program's own key. It keeps the password out of sight in the
// settings file; it is no protection against someone who has the program.
constexpr unsigned char kKey[] = {0x5a, 0x13, 0xc7, 0x2e, 0x91, 0x48, 0xb6, 0x0d, 0xe3, 0x7f, 0x24, 0x99,
                                  0x3c, 0xd8, 0x61, 0xa5, 0x0b, 0xf2, 0x86, 0x4e, 0x17, 0xcb, 0x70, 0x39};

std::u16string Xor(const std::u16string& units) {
  std::u16string out(units);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned k = kKey[i % sizeof kKey] | (kKey[(i + 7) % sizeof kKey] << 8);
    out[i] = static_cast<char16_t>(out[i] ^ k);
  }
  return out;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

CString CMessageSettings::ObscurePassword(const CString& password) {
  if (password.IsEmpty()) return {};
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  CString out(kObscuredMark);
  for (char16_t u : Xor(std::u16string(password.GetString(), static_cast<size_t>(password.GetLength()))))
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(u >> shift) & 0xF];
  return out;
}

CString CMessageSettings::RevealPassword(const CString& stored) {
  const CString mark(kObscuredMark);
  if (stored.Left(mark.GetLength()) != mark) return stored;  // older settings kept it as typed
  const CString hex = stored.Mid(mark.GetLength());
  if (hex.GetLength() % 4 != 0) return {};
  std::u16string units;
  for (int i = 0; i < hex.GetLength(); i += 4) {
    unsigned u = 0;
    for (int j = 0; j < 4; ++j) {
      const int d = HexDigit(hex[i + j]);
      if (d < 0) return {};  // damaged: no password rather than a wrong one
      u = (u << 4) | static_cast<unsigned>(d);
    }
    units += static_cast<char16_t>(u);
  }
  const std::u16string plain = Xor(units);
  return CString(plain.c_str(), static_cast<int>(plain.size()));
}

CMessageSettings CMessageSettings::Load() {
  CMessageSettings s;
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  s.m_useMessage = reg.GetProfileInt(u"UseMessage", u"m_useMessage", 1) == 1 ? 1 : 0;
  s.m_runSend = reg.GetProfileInt(u"RunSend", u"m_runSend", 0) == 1 ? 1 : 0;
  s.m_quitSend = reg.GetProfileInt(u"QuitSend", u"m_quitSend", 1) == 1 ? 1 : 0;
  s.m_day = reg.GetProfileString(u"day", u"m_day", kDefaultDays);
  s.m_userName = reg.GetProfileString(u"UserName", u"m_userName", u"");
  s.m_userPwd = RevealPassword(reg.GetProfileString(u"UserPwd", u"m_userPwd", u""));
  s.m_tongDao = reg.GetProfileString(u"TongDao", u"m_tongDao", u"");
  s.m_phoneNo = reg.GetProfileString(u"PhoneNo", u"m_phoneNo", u"");
  s.m_houZhui = reg.GetProfileString(u"houzhui", u"m_houZhui", kDefaultSuffix);
  return s;
}

void CMessageSettings::Save() const {
  pv::RegistryWriteBatch batch;
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  reg.WriteProfileInt(u"UseMessage", u"m_useMessage", m_useMessage ? 1 : 0);
  reg.WriteProfileString(u"UserName", u"m_userName", m_userName.GetString());
  reg.WriteProfileString(u"UserPwd", u"m_userPwd", ObscurePassword(m_userPwd).GetString());
  reg.WriteProfileString(u"TongDao", u"m_tongDao", m_tongDao.GetString());
  reg.WriteProfileString(u"PhoneNo", u"m_phoneNo", m_phoneNo.GetString());
  reg.WriteProfileInt(u"RunSend", u"m_runSend", m_runSend ? 1 : 0);
  reg.WriteProfileInt(u"QuitSend", u"m_quitSend", m_quitSend ? 1 : 0);
  reg.WriteProfileString(u"day", u"m_day", m_day.GetString());
  reg.WriteProfileString(u"houzhui", u"m_houZhui", m_houZhui.GetString());
}

int CMessageSettings::DaysAhead() const {
  CString d = m_day;
  d.Trim();
  if (d.GetLength() == 1 && d[0] >= u'1' && d[0] <= u'7') return d[0] - u'0';
  return 1;
}
