// Port-layer write throughput against a plain blocking send loop, and memory-port command rate.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "velmora/velmora.h"

namespace {

constexpr size_t kJobBytes = 64u << 20;

// A loopback listener that accepts connections and discards everything it reads.
class DiscardSink {
 public:
  DiscardSink() {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    ::bind(listen_fd_, reinterpret_cast<sockaddr *>(&addr), sizeof(addr));
    ::listen(listen_fd_, 8);
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] {
      for (;;) {
        const int fd = ::accept(listen_fd_, nullptr, nullptr);
        if (fd < 0) return;
        readers_.emplace_back([fd] {
          std::vector<char> buffer(1 << 20);
          while (::recv(fd, buffer.data(), buffer.size(), 0) > 0) {
          }
          ::close(fd);
        });
      }
    });
  }
  ~DiscardSink() {
    ::shutdown(listen_fd_, SHUT_RDWR);
    ::close(listen_fd_);
    acceptor_.join();
    for (auto &r : readers_) r.join();
  }
  uint16_t port() const { return port_; }

 private:
  int listen_fd_ = -1;
  uint16_t port_ = 0;
  std::thread acceptor_;
  std::vector<std::thread> readers_;
};

int ConnectPlain(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr));
  return fd;
}

double Seconds(const std::function<void()> &body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both ways in one run, alternating, so machine load hits them alike.
void BM_Tcp64MiBJob_PortWriteVsPlainSend(benchmark::State &state) {
  DiscardSink sink;
  const std::vector<unsigned char> job(kJobBytes, 0x5A);
  void *handle = VP_Port_OpenTcp("", "127.0.0.1", sink.port(), 2000, 0);
  const int plain = ConnectPlain(sink.port());
  double port_seconds = 0, plain_seconds = 0;
  for (auto _ : state) {
    port_seconds += Seconds([&] {
      const int n = VP_Port_Write(handle, job.data(), static_cast<unsigned>(job.size()), 60000);
      if (n != static_cast<int>(job.size())) state.SkipWithError("port write failed");
    });
    plain_seconds += Seconds([&] {
      size_t sent = 0;
      while (sent < job.size()) {
        const ssize_t n = ::send(plain, job.data() + sent, job.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
    });
  }
  const double mib = static_cast<double>(kJobBytes) / (1 << 20) * state.iterations();
  state.counters["port_MiBps"] = mib / port_seconds;
  state.counters["send_MiBps"] = mib / plain_seconds;
  state.counters["port_to_send"] = plain_seconds / port_seconds;
  VP_Port_Close(handle);
  ::close(plain);
}
BENCHMARK(BM_Tcp64MiBJob_PortWriteVsPlainSend)->Iterations(8)->Unit(benchmark::kMillisecond);

// A receipt is many small commands: how many the memory port takes per second.
void BM_MemoryPortSmallCommandWrites(benchmark::State &state) {
  void *handle = VP_Port_OpenMemoryBuffer(1u << 20);
  const unsigned char command[] = {0x1B, 0x61, 0x01};
  for (auto _ : state) {
    if (VP_Port_Write(handle, command, sizeof command, 1000) != 3) {
      VP_Port_ClearMemoryBufferData(handle);
    }
  }
  state.SetItemsProcessed(state.iterations());
  VP_Port_Close(handle);
}
BENCHMARK(BM_MemoryPortSmallCommandWrites);

}  // namespace
