#include "tools/platform/DelayProxy.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int UnixSocket(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return ::socket(AF_UNIX, SOCK_STREAM, 0);
}

// One direction of a connection: a reader stamps each chunk with the moment
// it may go on, a writer passes it on at that moment. Chunks keep their
// order, and a steady stream is delayed, not slowed down.
class DelayedPipe {
 public:
  DelayedPipe(int from, int to, std::chrono::microseconds delay) : from_(from), to_(to), delay_(delay) {}

  void Run() {
    std::thread writer([this] { Write(); });
    std::vector<char> buffer(64 * 1024);
    for (;;) {
      const ssize_t n = ::read(from_, buffer.data(), buffer.size());
      std::lock_guard<std::mutex> lock(mutex_);
      if (n <= 0) {
        ended_ = true;
        ready_.notify_one();
        break;
      }
      chunks_.push_back({Clock::now() + delay_, std::vector<char>(buffer.begin(), buffer.begin() + n)});
      ready_.notify_one();
    }
    writer.join();
    ::shutdown(to_, SHUT_WR);
  }

 private:
  struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes;
  };

  void Write() {
    for (;;) {
      Chunk chunk;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return ended_ || !chunks_.empty(); });
        if (chunks_.empty()) return;
        chunk = std::move(chunks_.front());
        chunks_.pop_front();
      }
      std::this_thread::sleep_until(chunk.due);
      size_t sent = 0;
      while (sent < chunk.bytes.size()) {
        const ssize_t n = ::write(to_, chunk.bytes.data() + sent, chunk.bytes.size() - sent);
        if (n <= 0) {
          ::shutdown(from_, SHUT_RD);
          return;
        }
        sent += static_cast<size_t>(n);
      }
    }
  }

  int from_, to_;
  std::chrono::microseconds delay_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Chunk> chunks_;
  bool ended_ = false;
};

void Forward(int client, const std::string& targetPath, std::chrono::microseconds delay) {
  sockaddr_un address;
  const int server = UnixSocket(targetPath, address);
  if (server < 0 || ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (server >= 0) ::close(server);
    ::close(client);
    return;
  }
  DelayedPipe up(client, server, delay), down(server, client, delay);
  std::thread back([&down] { down.Run(); });
  up.Run();
  back.join();
  ::close(server);
  ::close(client);
}

}  // namespace

int Plat_RunDelayProxy(const std::string& listenPath, const std::string& targetPath, int delayMicros) {
  sockaddr_un address;
  const int listener = UnixSocket(listenPath, address);
  if (listener < 0) return 1;
  ::unlink(listenPath.c_str());
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 64) != 0) {
    ::close(listener);
    return 1;
  }
  const std::chrono::microseconds delay(delayMicros);
  for (;;) {
    const int client = ::accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::thread(Forward, client, targetPath, delay).detach();
  }
}
