// The text-message settings the main frame keeps and the settings dialog
// edits, with their registry places: each value has a section of its own
// under the application's profile ("UseMessage"/"m_useMessage", ...).
//
// The password is never stored as it is typed: the registry holds it
// obscured with a key of the program's own ("pv1:" and hex digits), so it
// does not show in the settings file (itself readable by its owner only).
// A value without the "pv1:" mark, as older settings have it, reads as the
// password itself and is stored obscured at the next save.
#pragma once

#include "platform/base/cstring.h"

struct CMessageSettings {
  // Defaults of a first start.
  static constexpr const char16_t* kDefaultSuffix = u"Morvesk Digital";
  static constexpr const char16_t* kDefaultDays = u"1";

  int m_useMessage = 1;  // messages on
  CString m_tongDao;     // stored and shown only
  CString m_userName;
  CString m_userPwd;
  CString m_phoneNo;
  int m_runSend = 0;             // send while the program runs
  int m_quitSend = 1;            // hand the coming days' messages over at exit
  CString m_day = kDefaultDays;  // days ahead at exit, "1" ... "7"
  CString m_houZhui = kDefaultSuffix;

  // Reads every value, each missing one as its default.
  static CMessageSettings Load();
  // Writes every value, as one save.
  void Save() const;

  // m_day as a whole number of days, 1 ... 7 (anything else reads as 1).
  int DaysAhead() const;

  static CString ObscurePassword(const CString& password);
  static CString RevealPassword(const CString& stored);
};
