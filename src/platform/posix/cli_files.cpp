#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "datafile/save.h"
#include "workflow/files.h"

namespace tarn {

void replaceFile(const std::string& path, std::string_view bytes) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    throw FileError(path + " is not a file");
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) throw FileError(path + ": " + std::strerror(errno));
  const mode_t mask = umask(0);
  umask(mask);
  int error = fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
  while (!error && !bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
    if (n < 0 && errno != EINTR) error = errno;
  }
  if (!error && fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error) {
    unlink(temporary.c_str());
    throw FileError(path + ": " + std::strerror(error));
  }
}

void makeFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (!error && !std::filesystem::is_directory(path, error))
    throw FileError(path + " is no folder");
  if (error) throw FileError(path + ": " + error.message());
}

}  // namespace tarn
