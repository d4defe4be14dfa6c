// A loopback HTTP server for tests: listens on 127.0.0.1 at an ephemeral
// port, records every request byte for byte and answers each connection
// with the next step of its script.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pvtest {

struct HttpStep {
  // kRaw sends `body` as it is (no status line or headers of its own) and
  // closes the connection.
  enum Kind { kReply, kHang, kCloseWithoutReply, kRaw } kind = kReply;
  int status = 200;
  std::string body;
  std::vector<std::string> extraHeaders;  // "Name: value"
};

struct RecordedRequest {
  std::string raw;  // everything the client sent
  std::string method, path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::string Header(const std::string& name) const;  // "" when absent
  int CountHeader(const std::string& name) const;
};

class HttpTestServer {
 public:
  HttpTestServer();
  ~HttpTestServer();
  int port() const { return port_; }
  void Script(HttpStep step);
  void Reply(int status, std::string body) { Script({HttpStep::kReply, status, std::move(body), {}}); }
  // Keeps the connection open without answering until the client gives up.
  void Hang() { Script({HttpStep::kHang, 0, {}, {}}); }
  void Raw(std::string bytes) { Script({HttpStep::kRaw, 0, std::move(bytes), {}}); }
  std::vector<RecordedRequest> Requests();

  // A port on 127.0.0.1 where nothing listens.
  static int RefusedPort();

 private:
  void Run();
  void Serve(int fd);
  int listen_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::mutex mu_;
  std::deque<HttpStep> script_;
  std::vector<RecordedRequest> requests_;
  std::thread thread_;
};

}  // namespace pvtest
