#include "toolkit/controls/calendarmsgnotifier.h"

#include <algorithm>
#include <cstring>

const UINT TK_WM_TIMEZONECHANGED = ::RegisterWindowMessageW(u"TK_WM_TIMEZONECHANGED");

namespace {

constexpr UINT_PTR kDateTimerId = 1;
constexpr UINT kDateTimerElapse = 10000;

bool SameSystemTime(const SYSTEMTIME& a, const SYSTEMTIME& b) { return std::memcmp(&a, &b, sizeof(SYSTEMTIME)) == 0; }

}  // namespace

BEGIN_MESSAGE_MAP(CTKCalendarMsgNotifier, CWnd)
ON_WM_SYSCOLORCHANGE()
ON_WM_TIMER()
ON_WM_TIMECHANGE()
END_MESSAGE_MAP()

CTKCalendarMsgNotifier* GetCalendarMsgNotifier() {
  // Never deleted: windows may unregister from their destructors until the
  // very end of the process.
  static CTKCalendarMsgNotifier* instance = new CTKCalendarMsgNotifier;
  return instance;
}

CTKCalendarMsgNotifier::CTKCalendarMsgNotifier() = default;

CTKCalendarMsgNotifier::~CTKCalendarMsgNotifier() {
  if (m_hWnd) DestroyWindow();
}

void CTKCalendarMsgNotifier::CreateNotifierWindow() {
  if (m_hWnd && ::IsWindow(m_hWnd)) return;
  LPCTSTR cls = AfxRegisterWndClass(0);
  if (!CreateEx(0, cls, u"TKCalendarMsgNotifier", WS_POPUP, CRect(0, 0, 0, 0), nullptr, 0)) return;
  ::GetLocalTime(&m_stLastDate);
  ::GetTimeZoneInformation(&m_tziLast);
  SetTimer(kDateTimerId, kDateTimerElapse);
}

void CTKCalendarMsgNotifier::RemoveClients(CWnd* wnd, UINT message) {
  m_arClients.erase(std::remove_if(m_arClients.begin(), m_arClients.end(),
                                   [wnd, message](const CLIENT_INFO& c) {
                                     return c.pWnd == wnd && (message == 0 || c.uMsg == message);
                                   }),
                    m_arClients.end());
}

void CTKCalendarMsgNotifier::Advise(CWnd* wnd, UINT message) {
  if (!wnd) return;
  CreateNotifierWindow();
  RemoveClients(wnd, message);
  m_arClients.push_back(CLIENT_INFO{wnd, 0});
}

void CTKCalendarMsgNotifier::Unadvise(CWnd* wnd, UINT message) {
  RemoveClients(wnd, message);
  if (m_arClients.empty() && m_hWnd) DestroyWindow();
}

void CTKCalendarMsgNotifier::Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
  CClientsArray receivers;
  for (const CLIENT_INFO& c : m_arClients)
    if (c.uMsg == message || c.uMsg == 0) receivers.push_back(c);
  for (const CLIENT_INFO& c : receivers) {
    // A receiver may unregister (and delete) others while it is called.
    const bool registered = std::any_of(m_arClients.begin(), m_arClients.end(), [&c](const CLIENT_INFO& now) {
      return now.pWnd == c.pWnd && now.uMsg == c.uMsg;
    });
    if (!registered) continue;
    HWND hwnd = c.pWnd->GetSafeHwnd();
    if (hwnd && ::IsWindow(hwnd)) ::SendMessageW(hwnd, message, wParam, lParam);
  }
  if (m_arClients.empty() && m_hWnd) DestroyWindow();
}

void CTKCalendarMsgNotifier::OnSysColorChange() { Broadcast(WM_SYSCOLORCHANGE, 0, 0); }

void CTKCalendarMsgNotifier::OnTimer(UINT_PTR id) {
  if (id != kDateTimerId) return;
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  if (now.wYear == m_stLastDate.wYear && now.wMonth == m_stLastDate.wMonth && now.wDay == m_stLastDate.wDay) return;
  m_stLastDate = now;
  Broadcast(WM_TIMECHANGE, 0, 0);
}

void CTKCalendarMsgNotifier::OnTimeChange() {
  TIME_ZONE_INFORMATION tzi{};
  if (::GetTimeZoneInformation(&tzi) != TIME_ZONE_ID_INVALID) {
    const bool changed = tzi.Bias != m_tziLast.Bias || !SameSystemTime(tzi.StandardDate, m_tziLast.StandardDate) ||
                         tzi.StandardBias != m_tziLast.StandardBias ||
                         !SameSystemTime(tzi.DaylightDate, m_tziLast.DaylightDate) ||
                         tzi.DaylightBias != m_tziLast.DaylightBias;
    if (changed) {
      m_tziLast = tzi;
      Broadcast(TK_WM_TIMEZONECHANGED, 0, 0);
    }
  }
  Broadcast(WM_TIMECHANGE, 0, 0);
}
