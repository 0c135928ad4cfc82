// What the tool needs around the library: the lines the library prints on
// standard output, and the installation root the library uses.
#pragma once

#include <string>

namespace zonvert_tool {

// Keeps the library's standard-output lines away from the data.  Start
// moves file descriptor 1 onto a pipe that only this class reads, and hands
// back a descriptor of the original standard output for the data.  Both
// pipe ends are non-blocking, so a library line never stalls the tool.
class StdoutCapture {
 public:
  StdoutCapture() = default;
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // False with a reason when the descriptors cannot be set up.
  bool Start(int* dataFd, std::string* error);

  // Everything the library has printed since the last call.
  std::string Drain();

 private:
  int readFd_ = -1;
  int dataFd_ = -1;
};

// The installation root the library derives from its own file: the
// directory two levels above libzonvert (PREFIX/lib/libzonvert.so gives
// PREFIX).  Empty when the library file cannot be found.
std::string LibraryRoot();

}  // namespace zonvert_tool
