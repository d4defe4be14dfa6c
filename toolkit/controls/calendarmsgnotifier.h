// A hidden process-wide window that forwards system-colour and time changes
// to registered windows, and notices a change of the date itself (every ten
// seconds) and of the time zone, so that date pickers keep their "today"
// and colours current even as child windows.
#pragma once

#include <vector>

#include "platform/base/systime.h"
#include "platform/framework/afx.h"

// Sent to the registered windows before WM_TIMECHANGE when the time zone
// changed.
extern const UINT TK_WM_TIMEZONECHANGED;

class CTKCalendarMsgNotifier : public CWnd {
 public:
  struct CLIENT_INFO {
    CWnd* pWnd;
    UINT uMsg;  // 0: every forwarded message
  };
  using CClientsArray = std::vector<CLIENT_INFO>;

  CTKCalendarMsgNotifier();
  ~CTKCalendarMsgNotifier() override;

  // Registers the window for every forwarded message (earlier
  // registrations for `message`, all of them for 0, are dropped first).
  void Advise(CWnd* wnd, UINT message);
  // Removes the window's registrations for the message (all for 0); the
  // hidden window goes with the last one.
  void Unadvise(CWnd* wnd, UINT message);
  // Sends the message to each window registered for it, skipping those
  // unregistered meanwhile.
  void Broadcast(UINT message, WPARAM wParam, LPARAM lParam);

  int GetClientCount() const { return static_cast<int>(m_arClients.size()); }

 protected:
  void RemoveClients(CWnd* wnd, UINT message);
  void CreateNotifierWindow();
  void OnSysColorChange();
  void OnTimer(UINT_PTR id);
  void OnTimeChange();
  DECLARE_MESSAGE_MAP()

  CClientsArray m_arClients;
  SYSTEMTIME m_stLastDate{};
  TIME_ZONE_INFORMATION m_tziLast{};
};

// The process-wide notifier, made on first use and kept for the life of the
// process.
CTKCalendarMsgNotifier* GetCalendarMsgNotifier();
