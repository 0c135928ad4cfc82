#include "library_host.h"

#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace zonvert_tool {
namespace {

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// dl_iterate_phdr callback: the file name of the first loaded object named
// libzonvert.*.
int FindLibrary(struct dl_phdr_info* info, size_t, void* data) {
  if (info->dlpi_name == nullptr) return 0;
  const std::string_view name(info->dlpi_name);
  const std::size_t slash = name.rfind('/');
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  if (base.substr(0, 11) != "libzonvert.") return 0;
  *static_cast<std::string*>(data) = std::string(name);
  return 1;
}

}  // namespace

StdoutCapture::~StdoutCapture() {
  if (readFd_ >= 0) close(readFd_);
  if (dataFd_ >= 0) close(dataFd_);
}

bool StdoutCapture::Start(int* dataFd, std::string* error) {
  std::fflush(stdout);
  dataFd_ = dup(STDOUT_FILENO);
  if (dataFd_ < 0) {
    *error = std::string("standard output: ") + std::strerror(errno);
    return false;
  }
  fcntl(dataFd_, F_SETFD, FD_CLOEXEC);
  int ends[2];
  if (pipe(ends) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (!SetNonBlocking(ends[0]) || !SetNonBlocking(ends[1]) ||
      dup2(ends[1], STDOUT_FILENO) < 0) {
    *error = std::string("pipe set-up: ") + std::strerror(errno);
    close(ends[0]);
    close(ends[1]);
    return false;
  }
  close(ends[1]);
  readFd_ = ends[0];
  *dataFd = dataFd_;
  return true;
}

std::string StdoutCapture::Drain() {
  std::string text;
  if (readFd_ < 0) return text;
  if (std::fflush(stdout) != 0) std::clearerr(stdout);  // a full pipe drops the rest
  char block[4096];
  for (;;) {
    const ssize_t got = read(readFd_, block, sizeof block);
    if (got > 0) {
      text.append(block, static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EAGAIN: nothing more for now
    }
  }
  return text;
}

std::string LibraryRoot() {
  std::string file;
  dl_iterate_phdr(&FindLibrary, &file);
  if (file.empty()) return file;
  // The same cut as the library's: at the second separator from the end,
  // never looking at the first character.
  int separators = 0;
  for (std::size_t i = file.size(); i-- > 1;) {
    if (file[i] == '/' && ++separators == 2) return file.substr(0, i);
  }
  return file;
}

}  // namespace zonvert_tool
