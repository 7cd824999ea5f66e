#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace tarn::test {

// The far end of a pseudo-terminal, answering each line it receives with
// whatever `answer` returns (nothing for an empty string). Runs in a thread.
class PtyPeer {
 public:
  explicit PtyPeer(std::function<std::string(const std::string& line)> answer);
  ~PtyPeer();
  const std::string& device() const { return device_; }
  // Maps COMn to this peer for the program's port lookup.
  void mapTo(int comNumber) const;

 private:
  void serve();
  std::function<std::string(const std::string&)> answer_;
  int master_ = -1;
  int slave_ = -1;
  std::string device_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tarn::test
