// Runs the repository's fake text-message service
// (tools/fake-sms-service/fake_sms_service.py) on a free loopback port for
// one test, and reads back what it received, byte for byte.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/mainframe/httpurl.h"
#include "tests/support/temp_home.h"

extern char** environ;

namespace smstest {

struct RecordedRequest {
  std::string raw;  // request line, headers and body as received
  std::string method, path, body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string Header(const std::string& name) const {
    for (const auto& [n, v] : headers)
      if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
    return {};
  }
};

class FakeSmsService {
 public:
  // `options`: more command-line options of the fake ("--balance", "35").
  explicit FakeSmsService(std::vector<std::string> options = {}) : records_("pv-sms-records") {
    const char* source = std::getenv("PRAVENOR_TEST_SOURCE_DIR");
    std::string script = std::string(source ? source : ".") + "/tools/fake-sms-service/fake_sms_service.py";
    std::vector<std::string> args = {"python3",      script,          "--port",  "0",
                                     "--record-dir", records_.path(), "--quiet", "--exit-on-stdin-eof"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = fdopen(out[0], "r");
    if (spawned != 0) {
      pid_ = 0;
      return;
    }
    std::string first = ReadLine();
    const std::string prefix = "listening on http://127.0.0.1:";
    if (first.rfind(prefix, 0) == 0) port_ = std::atoi(first.c_str() + prefix.size());
  }

  ~FakeSmsService() {
    if (input_ >= 0) close(input_);  // the fake ends when its input closes
    if (pid_ > 0) {
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    if (output_) fclose(output_);
  }

  FakeSmsService(const FakeSmsService&) = delete;
  FakeSmsService& operator=(const FakeSmsService&) = delete;

  bool Running() const { return port_ > 0; }
  int port() const { return port_; }

  // The fake at its port, with time-outs short enough for a test.
  SmsServiceSettings Settings(DWORD connectMs = 2000, DWORD totalMs = 10000) const {
    SmsServiceSettings s;
    s.host = u"127.0.0.1";
    s.port = port_;
    s.connectTimeoutMs = connectMs;
    s.totalTimeoutMs = totalMs;
    return s;
  }

  // Blocks until the fake has recorded its next request (it says so on its
  // output before it answers). False when the fake ended.
  bool WaitForNextRequest() { return ReadLine().rfind("request ", 0) == 0; }

  std::vector<RecordedRequest> Requests() const {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(records_.path()))
      if (e.path().extension() == ".req") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<RecordedRequest> out;
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      RecordedRequest r;
      r.raw.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      const size_t end = r.raw.find("\r\n\r\n");
      const std::string head = r.raw.substr(0, end);
      r.body = end == std::string::npos ? std::string() : r.raw.substr(end + 4);
      std::istringstream lines(head);
      std::string line;
      std::getline(lines, line);
      std::istringstream first(line);
      first >> r.method >> r.path;
      while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        r.headers.emplace_back(line.substr(0, colon), value);
      }
      out.push_back(std::move(r));
    }
    return out;
  }

 private:
  std::string ReadLine() {
    if (!output_) return {};
    char* line = nullptr;
    size_t size = 0;
    const ssize_t n = getline(&line, &size, output_);
    std::string s = n > 0 ? std::string(line, static_cast<size_t>(n)) : std::string();
    std::free(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }

  pvtest::TempFolder records_;
  pid_t pid_ = 0;
  int input_ = -1;
  FILE* output_ = nullptr;
  int port_ = 0;
};

}  // namespace smstest
