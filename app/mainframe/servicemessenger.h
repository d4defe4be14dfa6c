// The minute timer's text messages, sent to the service through CHttpUrl.
// Nothing goes out while the user has text messages switched off.
//
// Requests are made one after another by a worker thread of the
// messenger's own; the window thread only queues them, so a service that
// does not answer never holds input. When a request ends the worker posts
// kTextMessageReplyMessage to the window that queued it, whose handler
// calls DeliverReplies.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "app/mainframe/httpurl.h"
#include "app/mainframe/remindmessenger.h"
#include "platform/base/wintypes.h"
#include "platform/window/winuser.h"

// Posted (no parameters) to the reply window when replies are waiting.
constexpr UINT kTextMessageReplyMessage = WM_APP + 0x3310;

class CServiceMessenger : public CReminderMessenger {
 public:
  // `enabled` tells whether text messages are on at the moment of a
  // request; `replyWindow` names the window told of replies (read when a
  // request is queued); `service` where the service is (read from the
  // registry for each request when absent).
  CServiceMessenger(std::function<bool()> enabled, std::function<HWND()> replyWindow);
  // Waits for the request being made (bounded by its time-outs); queued
  // ones are dropped.
  ~CServiceMessenger() override;

  void SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                       const CString& text) override;
  void CancelTextMessage(const CString& userName, const CString& password, int identifier, ReplyHandler done) override;
  void DeliverReplies() override;

  // Requests queued or being made whose reply has not been delivered.
  int Outstanding();

 private:
  struct Job {
    std::function<CString(CHttpUrl&)> request;  // runs on the worker
    SmsServiceSettings service;
    HWND replyWindow = nullptr;
    ReplyHandler done;  // runs on the window thread
    CString reply;
  };
  void Queue(Job job);
  void Work();

  std::function<bool()> m_enabled;
  std::function<HWND()> m_replyWindow;
  // m_lock guards the two queues and m_stopping.
  std::mutex m_lock;
  std::condition_variable m_wake;
  std::deque<Job> m_waiting, m_answered;
  int m_outstanding = 0;
  bool m_stopping = false;
  std::thread m_worker;
};
