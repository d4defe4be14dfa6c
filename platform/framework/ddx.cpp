// Dialog data exchange and validation.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/base/oledatetime.h"
#include "platform/framework/afxdlg.h"

namespace {
constexpr DWORD kCbsTypeMask = 0x0003;  // the combo kinds: simple, drop-down, drop-down list
// The date controls' messages (common controls, above this layer).
constexpr UINT kDtmGetSystemTime = 0x1001, kDtmSetSystemTime = 0x1002;
constexpr UINT kMcmGetCurSel = 0x1001, kMcmSetCurSel = 0x1002;
constexpr WPARAM kGdtValid = 0, kGdtNone = 1;

CString TextOf(HWND h) {
  CString s;
  CWnd::FromHandle(h)->GetWindowText(s);
  return s;
}

void SetTextIfChanged(HWND h, const CString& text) {
  // Same text: leave the control alone (no change notification, no flicker).
  if (TextOf(h) != text) ::SetWindowText(h, text);
}

bool IsComboBox(HWND h) {
  WCHAR cls[16] = {};
  ::GetClassName(h, cls, 16);
  return CString(cls).CompareNoCase(u"ComboBox") == 0;
}

// A combo box that lets the user type (simple or drop-down) has an edit.
bool ComboHasEdit(HWND h) {
  return (static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)) & kCbsTypeMask) != CBS_DROPDOWNLIST;
}

// The shortest text from `minDigits` significant digits up that reads back
// as the same value, so that showing a value and saving it again never
// changes it (1/3 needs more digits than 0.1).
template <class T>
CString FormatReal(T value, int minDigits, int maxDigits) {
  CString s;
  for (int digits = minDigits; digits <= maxDigits; ++digits) {
    s.Format(u"%.*g", digits, static_cast<double>(value));
    std::string narrow;
    for (int i = 0; i < s.GetLength(); ++i) narrow += static_cast<char>(s[i]);
    if (static_cast<T>(std::strtod(narrow.c_str(), nullptr)) == value) break;
  }
  return s;
}

[[noreturn]] void FailWith(CDataExchange* pDX, const CString& message) {
  AfxMessageBox(message, MB_ICONEXCLAMATION);
  pDX->Fail();
}

std::string Narrow(const CString& s) {
  std::string out;
  for (int i = 0; i < s.GetLength(); ++i) {
    char16_t c = s[i];
    if (c > 0x7F) return "\x01";  // no number has other characters
    out += static_cast<char>(c);
  }
  return out;
}

// Whole text as a signed or unsigned integer; surrounding blanks allowed.
bool ParseInteger(const CString& text, bool isSigned, long long* out) {
  std::string s = Narrow(text);
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  s = s.substr(b, e - b + 1);
  if (!isSigned && !s.empty() && s[0] == '-') return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno || end == s.c_str() || *end) return false;
  *out = v;
  return true;
}

bool ParseReal(const CString& text, double* out) {
  std::string s = Narrow(text);
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  s = s.substr(b, e - b + 1);
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (errno || end == s.c_str() || *end || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

template <class T>
void TextInteger(CDataExchange* pDX, int nIDC, T& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  constexpr bool isSigned = std::numeric_limits<T>::is_signed;
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseInteger(TextOf(h), isSigned, &v) || v < static_cast<long long>(std::numeric_limits<T>::min()) ||
        v > static_cast<long long>(std::numeric_limits<T>::max())) {
      FailWith(pDX, isSigned ? CString(u"Please enter an integer.") : CString(u"Please enter a positive integer."));
    }
    value = static_cast<T>(v);
  } else {
    CString s;
    if constexpr (isSigned) s.Format(u"%lld", static_cast<long long>(value));
    else s.Format(u"%llu", static_cast<unsigned long long>(value));
    SetTextIfChanged(h, s);
  }
}

template <class T>
void MinMax(CDataExchange* pDX, T value, T minVal, T maxVal, const char16_t* format) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString message;
  message.Format(format, minVal, maxVal);
  FailWith(pDX, message);
}
}  // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND h = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
  if (!h) AfxThrowNotSupportedException();  // a control id the template lacks
  m_idLastControl = h;
  m_bEditLastControl = FALSE;
  return h;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND h = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return h;
}

void CDataExchange::Fail() {
  if (!m_bSaveAndValidate) AfxThrowUserException();
  if (m_idLastControl && ::IsWindow(m_idLastControl)) {
    ::SetFocus(m_idLastControl);
    if (m_bEditLastControl) {
      // The whole text selected, so that typing replaces it.
      if (IsComboBox(m_idLastControl)) ::SendMessage(m_idLastControl, CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF));
      else ::SendMessage(m_idLastControl, EM_SETSEL, 0, -1);
    }
  }
  AfxThrowUserException();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) value = TextOf(h);
  else SetTextIfChanged(h, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) { TextInteger(pDX, nIDC, value); }
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { TextInteger(pDX, nIDC, value); }
void DDX_Text(CDataExchange* pDX, int nIDC, long& value) { TextInteger(pDX, nIDC, value); }
void DDX_Text(CDataExchange* pDX, int nIDC, short& value) { TextInteger(pDX, nIDC, value); }
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value) { TextInteger(pDX, nIDC, value); }

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    double v = 0;
    if (!ParseReal(TextOf(h), &v)) FailWith(pDX, u"Please enter a number.");
    value = v;
  } else {
    SetTextIfChanged(
        h, FormatReal(value, std::numeric_limits<double>::digits10, std::numeric_limits<double>::max_digits10));
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, float& value) {
  double d = value;
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    if (!ParseReal(TextOf(h), &d) || std::fabs(d) > std::numeric_limits<float>::max())
      FailWith(pDX, u"Please enter a number.");
    value = static_cast<float>(d);
  } else {
    SetTextIfChanged(
        h, FormatReal(value, std::numeric_limits<float>::digits10 + 1, std::numeric_limits<float>::max_digits10));
  }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) value = static_cast<int>(::SendMessage(h, BM_GETCHECK, 0, 0));
  else ::SendMessage(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) value = -1;
  int index = 0;
  // The group runs from the first button to the next WS_GROUP control.
  for (HWND b = h; b; b = ::GetWindow(b, GW_HWNDNEXT)) {
    if (b != h && (::GetWindowLong(b, GWL_STYLE) & WS_GROUP)) break;
    UINT code = static_cast<UINT>(::SendMessage(b, WM_GETDLGCODE, 0, 0));
    if (!(code & DLGC_RADIOBUTTON)) continue;
    if (pDX->m_bSaveAndValidate) {
      if (::SendMessage(b, BM_GETCHECK, 0, 0)) value = index;
    } else {
      ::SendMessage(b, BM_SETCHECK, index == value ? 1 : 0, 0);
    }
    ++index;
  }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) index = static_cast<int>(::SendMessage(h, CB_GETCURSEL, 0, 0));
  else ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// A combo box with an edit counts as an edit for DDV_MaxChars and for the
// selection a failed validation makes.
HWND PrepareCombo(CDataExchange* pDX, int nIDC) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (ComboHasEdit(h)) pDX->m_bEditLastControl = TRUE;
  return h;
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = PrepareCombo(pDX, nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = TextOf(h);
  } else if (value.IsEmpty()) {
    // Every item starts with the empty text: selecting by prefix would turn an
    // empty value into the first item on the next save.
    ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  } else if (::SendMessage(h, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(value))) == -1) {
    // Not in the list: an editable combo shows the text; a drop-down list
    // keeps its selection (it can only ever hold one of its items).
    if (ComboHasEdit(h)) SetTextIfChanged(h, value);
  }
}

void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = PrepareCombo(pDX, nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = TextOf(h);
    return;
  }
  LRESULT i = value.IsEmpty() ? -1
                              : ::SendMessage(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(value)));
  if (i >= 0) {
    ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  } else if (ComboHasEdit(h)) {
    SetTextIfChanged(h, value);
  } else if (value.IsEmpty()) {
    ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) index = static_cast<int>(::SendMessage(h, LB_GETCURSEL, 0, 0));
  else ::SendMessage(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    LRESULT sel = ::SendMessage(h, LB_GETCURSEL, 0, 0);
    value.Empty();
    if (sel >= 0) {
      LRESULT len = ::SendMessage(h, LB_GETTEXTLEN, static_cast<WPARAM>(sel), 0);
      if (len > 0) {
        std::u16string buf(static_cast<size_t>(len) + 1, u'\0');
        ::SendMessage(h, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buf.data()));
        buf.resize(static_cast<size_t>(len));
        value = CString(std::move(buf));
      }
    }
  } else if (value.IsEmpty()) {
    ::SendMessage(h, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);  // not the first item, which "" prefixes
  } else {
    ::SendMessage(h, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(value)));
  }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;
  HWND h = pDX->PrepareCtrl(nIDC);
  if (!rControl.SubclassWindow(h)) AfxThrowNotSupportedException();
}

void DDX_DateTimeCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  SYSTEMTIME st{};
  if (pDX->m_bSaveAndValidate) {
    if (::SendMessage(h, kDtmGetSystemTime, 0, reinterpret_cast<LPARAM>(&st)) == static_cast<LRESULT>(kGdtValid))
      value = COleDateTime(st);
    else value.SetStatus(COleDateTime::null);
  } else if (value.GetStatus() == COleDateTime::valid && value.GetAsSystemTime(st)) {
    ::SendMessage(h, kDtmSetSystemTime, kGdtValid, reinterpret_cast<LPARAM>(&st));
  } else {
    ::SendMessage(h, kDtmSetSystemTime, kGdtNone, 0);
  }
}

void DDX_MonthCalCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  SYSTEMTIME st{};
  if (pDX->m_bSaveAndValidate) {
    if (::SendMessage(h, kMcmGetCurSel, 0, reinterpret_cast<LPARAM>(&st))) {
      st.wHour = st.wMinute = st.wSecond = st.wMilliseconds = 0;
      value = COleDateTime(st);
    }
  } else if (value.GetStatus() == COleDateTime::valid && value.GetAsSystemTime(st)) {
    ::SendMessage(h, kMcmSetCurSel, 0, reinterpret_cast<LPARAM>(&st));
  }
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (pDX->m_bSaveAndValidate) {
    if (value.GetLength() > nChars) {
      CString message;
      message.Format(u"Please enter no more than %d characters.", nChars);
      FailWith(pDX, message);
    }
  } else if (pDX->m_idLastControl && pDX->m_bEditLastControl) {
    HWND h = pDX->m_idLastControl;
    ::SendMessage(h, IsComboBox(h) ? CB_LIMITTEXT : EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
  }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  MinMax(pDX, value, minVal, maxVal, u"Please enter an integer between %d and %d.");
}
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  MinMax(pDX, value, minVal, maxVal, u"Please enter an integer between %u and %u.");
}
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal) {
  MinMax(pDX, value, minVal, maxVal, u"Please enter an integer between %ld and %ld.");
}
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal) {
  MinMax(pDX, value, minVal, maxVal, u"Please enter an integer between %u and %u.");
}
void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal) {
  MinMax(pDX, static_cast<int>(value), static_cast<int>(minVal), static_cast<int>(maxVal),
         u"Please enter an integer between %d and %d.");
}
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal) {
  MinMax(pDX, static_cast<int>(value), static_cast<int>(minVal), static_cast<int>(maxVal),
         u"Please enter an integer between %d and %d.");
}
void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal) {
  MinMax(pDX, value, minVal, maxVal, u"Please enter a number between %g and %g.");
}
void DDV_MinMaxFloat(CDataExchange* pDX, const float& value, float minVal, float maxVal) {
  MinMax(pDX, static_cast<double>(value), static_cast<double>(minVal), static_cast<double>(maxVal),
         u"Please enter a number between %g and %g.");
}
