// POSIX implementation of the platform layer.
#include "platform/platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zonvert::platform {

const char kTemplateSubdirectory[] = "/template/";

namespace {

void WriteToStandardError(const char* caption, const char* text, MessageIcon /*icon*/) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}

MessageSink gMessageSink = &WriteToStandardError;

}  // namespace

std::string ModuleFileName() {
  // dladdr on an address inside this code names the object that holds it:
  // libzonvert.so, or the executable when the code is linked in statically.
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&ModuleFileName), &info) == 0 ||
      info.dli_fname == nullptr) {
    return std::string();
  }
  return std::string(info.dli_fname);
}

void ShowMessage(const char* caption, const char* text, MessageIcon icon) {
  gMessageSink(caption, text, icon);
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = gMessageSink;
  gMessageSink = sink != nullptr ? sink : &WriteToStandardError;
  return previous;
}

bool IsPipeOrDevice(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  return S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || S_ISCHR(info.st_mode) ||
         S_ISBLK(info.st_mode);
}

bool MapFileReadOnly(const std::string& path, MappedFile* mapped) {
  *mapped = MappedFile{};
  // O_NONBLOCK: a pipe put in the file's place must not hold the call.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    close(fd);
    return false;
  }
  const std::size_t heldBytes = static_cast<std::size_t>(info.st_size);
  void* memory = nullptr;
  std::size_t size = 0;
  if (heldBytes > 0) {
    // Private anonymous memory, filled by reading: later changes to the file
    // cannot reach it.
    memory = mmap(nullptr, heldBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
      close(fd);
      return false;
    }
    unsigned char* bytes = static_cast<unsigned char*>(memory);
    while (size < heldBytes) {
      const ssize_t count = read(fd, bytes + size, heldBytes - size);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;  // end of a file that shrank, or an error: keep what was read
      size += static_cast<std::size_t>(count);
    }
    mprotect(memory, heldBytes, PROT_READ);
  }
  close(fd);
  mapped->data = static_cast<const unsigned char*>(memory);
  mapped->size = size;
  mapped->heldBytes = heldBytes;
  mapped->isOpen = true;
  return true;
}

void UnmapFile(MappedFile* mapped) {
  if (mapped->isOpen && mapped->data != nullptr) {
    munmap(const_cast<unsigned char*>(mapped->data), mapped->heldBytes);
  }
  *mapped = MappedFile{};
}

}  // namespace zonvert::platform
