#include "nzcommon/imgprocess/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "nzcommon/imgprocess/ImageTypes.h"
#include "platform/Log.h"

namespace velmora::imgprocess {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

const char *NotRegularReason(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory, not a regular file";
  if (S_ISFIFO(mode)) return "a FIFO or pipe, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
  if (S_ISSOCK(mode)) return "a socket, not a regular file";
  return "not a regular file";
}

std::nullopt_t Refuse(const char *path, const std::string &why) {
  platform::logf("%s: %s", path, why.c_str());
  return std::nullopt;
}

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadImageFile(const char *path) {
  if (path == nullptr) return std::nullopt;
  // Looked at before it is opened: opening a FIFO that has no writer blocks.
  struct stat info {};
  if (::stat(path, &info) != 0) return Refuse(path, ErrorText(errno));
  if (!S_ISREG(info.st_mode)) return Refuse(path, NotRegularReason(info.st_mode));
  // Opened without blocking, should it have been replaced meanwhile, and looked at again.
  const FileDescriptor file(::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) return Refuse(path, ErrorText(errno));
  if (::fstat(file.get(), &info) != 0) return Refuse(path, ErrorText(errno));
  if (!S_ISREG(info.st_mode)) return Refuse(path, NotRegularReason(info.st_mode));
  if (info.st_size <= 0) return Refuse(path, "an empty file");
  if (info.st_size > kMaxEncodedImageBytes) return Refuse(path, "larger than 256 MiB");
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(file.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Refuse(path, ErrorText(errno));
    if (n == 0) return Refuse(path, "shorter than its size said");
    done += static_cast<size_t>(n);
  }
  return bytes;
}

}  // namespace velmora::imgprocess
