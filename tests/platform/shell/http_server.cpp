#include "tests/platform/shell/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <strings.h>

namespace pvtest {

std::string RecordedRequest::Header(const std::string& name) const {
  for (auto& [n, v] : headers)
    if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
  return {};
}

int RecordedRequest::CountHeader(const std::string& name) const {
  int n = 0;
  for (auto& h : headers)
    if (strcasecmp(h.first.c_str(), name.c_str()) == 0) ++n;
  return n;
}

HttpTestServer::HttpTestServer() {
  listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listen_, 16);
  socklen_t len = sizeof a;
  getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  if (pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
  thread_ = std::thread([this] { Run(); });
}

HttpTestServer::~HttpTestServer() {
  char c = 'x';
  if (write(wake_[1], &c, 1) < 0) {}
  thread_.join();
  close(listen_);
  close(wake_[0]);
  close(wake_[1]);
}

void HttpTestServer::Script(HttpStep step) {
  std::lock_guard<std::mutex> lock(mu_);
  script_.push_back(std::move(step));
}

std::vector<RecordedRequest> HttpTestServer::Requests() {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

int HttpTestServer::RefusedPort() {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);  // bound but never listening: connecting is refused
  return ntohs(a.sin_port);
}

void HttpTestServer::Run() {
  for (;;) {
    pollfd p[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0) continue;
    if (p[1].revents) return;
    if (p[0].revents & POLLIN) {
      int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        Serve(fd);
        close(fd);
      }
    }
  }
}

namespace {
// Reads until `done` says the request is complete, the peer closes, or the
// server is stopped. False when the server is stopping.
bool ReadSome(int fd, int wake, std::string& buf, bool* eof) {
  pollfd p[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
  if (poll(p, 2, -1) < 0) return true;
  if (p[1].revents) return false;
  char tmp[4096];
  ssize_t n = read(fd, tmp, sizeof tmp);
  if (n <= 0) *eof = true;
  else buf.append(tmp, static_cast<size_t>(n));
  return true;
}

void WriteAll(int fd, const std::string& s) {
  size_t off = 0;
  while (off < s.size()) {
    ssize_t n = send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return;
    off += static_cast<size_t>(n);
  }
}
}  // namespace

void HttpTestServer::Serve(int fd) {
  std::string buf;
  bool eof = false;
  size_t headerEnd = std::string::npos;
  while (!eof && (headerEnd = buf.find("\r\n\r\n")) == std::string::npos)
    if (!ReadSome(fd, wake_[0], buf, &eof)) return;
  if (headerEnd == std::string::npos) return;
  RecordedRequest r;
  std::string head = buf.substr(0, headerEnd);
  size_t lineEnd = head.find("\r\n");
  std::string first = head.substr(0, lineEnd);
  size_t sp1 = first.find(' '), sp2 = first.rfind(' ');
  r.method = first.substr(0, sp1);
  if (sp1 != std::string::npos && sp2 > sp1) r.path = first.substr(sp1 + 1, sp2 - sp1 - 1);
  size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
  while (pos < head.size()) {
    size_t e = head.find("\r\n", pos);
    if (e == std::string::npos) e = head.size();
    std::string line = head.substr(pos, e - pos);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      size_t v = colon + 1;
      while (v < line.size() && line[v] == ' ') ++v;
      r.headers.emplace_back(line.substr(0, colon), line.substr(v));
    }
    pos = e + 2;
  }
  size_t want = 0;
  std::string cl = r.Header("Content-Length");
  if (!cl.empty()) want = std::stoul(cl);
  while (!eof && buf.size() < headerEnd + 4 + want)
    if (!ReadSome(fd, wake_[0], buf, &eof)) return;
  r.body = buf.substr(headerEnd + 4, want);
  r.raw = buf;
  HttpStep step;
  {
    std::lock_guard<std::mutex> lock(mu_);
    requests_.push_back(r);
    if (!script_.empty()) {
      step = std::move(script_.front());
      script_.pop_front();
    }
  }
  if (step.kind == HttpStep::kHang) {
    // No answer; wait (without a timer) for the client to give up.
    std::string rest;
    bool closed = false;
    while (!closed)
      if (!ReadSome(fd, wake_[0], rest, &closed)) return;
    return;
  }
  if (step.kind == HttpStep::kCloseWithoutReply) return;
  if (step.kind == HttpStep::kRaw) {
    WriteAll(fd, step.body);
    return;
  }
  std::string reason = step.status == 200 ? "OK" : step.status == 500 ? "Internal Server Error" : "Status";
  std::string out = "HTTP/1.1 " + std::to_string(step.status) + " " + reason + "\r\n";
  out += "Content-Length: " + std::to_string(step.body.size()) + "\r\nConnection: close\r\n";
  for (auto& h : step.extraHeaders) out += h + "\r\n";
  out += "\r\n" + step.body;
  WriteAll(fd, out);
}

}  // namespace pvtest
