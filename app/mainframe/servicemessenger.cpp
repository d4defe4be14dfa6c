#include "app/mainframe/servicemessenger.h"

#include <utility>

CServiceMessenger::CServiceMessenger(std::function<bool()> enabled, std::function<HWND()> replyWindow)
    : m_enabled(std::move(enabled)), m_replyWindow(std::move(replyWindow)) {}

CServiceMessenger::~CServiceMessenger() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_stopping = true;
    m_waiting.clear();
  }
  m_wake.notify_all();
  if (m_worker.joinable()) m_worker.join();
}

void CServiceMessenger::SendTextMessage(const CString& userName, const CString& password, const CString& phone,
                                        const CString& text) {
  if (!m_enabled || !m_enabled()) return;
  Job job;
  job.request = [userName, password, phone, text](CHttpUrl& client) {
    client.SendTextMessage(userName, password, phone, text);
    return CString();
  };
  Queue(std::move(job));
}

void CServiceMessenger::CancelTextMessage(const CString& userName, const CString& password, int identifier,
                                          ReplyHandler done) {
  if (!m_enabled || !m_enabled()) return;
  Job job;
  job.request = [userName, password, identifier](CHttpUrl& client) {
    return client.CancelTextMessage(userName, password, identifier);
  };
  job.done = std::move(done);
  Queue(std::move(job));
}

void CServiceMessenger::Queue(Job job) {
  // The registry belongs to this thread: where the service is is read here.
  job.service = SmsServiceSettings::Load();
  job.replyWindow = m_replyWindow ? m_replyWindow() : nullptr;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_waiting.push_back(std::move(job));
    ++m_outstanding;
    if (!m_worker.joinable()) m_worker = std::thread([this] { Work(); });
  }
  m_wake.notify_all();
}

void CServiceMessenger::Work() {
  std::unique_lock<std::mutex> hold(m_lock);
  for (;;) {
    m_wake.wait(hold, [this] { return m_stopping || !m_waiting.empty(); });
    if (m_stopping) return;
    Job job = std::move(m_waiting.front());
    m_waiting.pop_front();
    hold.unlock();
    CHttpUrl client(job.service, CHttpUrl::Waiting::OnCallingThread);
    job.reply = job.request(client);
    const HWND window = job.replyWindow;
    hold.lock();
    m_answered.push_back(std::move(job));
    if (window) ::PostMessage(window, kTextMessageReplyMessage, 0, 0);
  }
}

void CServiceMessenger::DeliverReplies() {
  std::deque<Job> answered;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    answered.swap(m_answered);
    m_outstanding -= static_cast<int>(answered.size());
  }
  for (Job& job : answered)
    if (job.done) job.done(job.reply);
}

int CServiceMessenger::Outstanding() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_outstanding;
}
