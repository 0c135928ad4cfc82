// POSIX implementation of the platform layer.
#include "platform/platform.h"

#include <dlfcn.h>

#include <cstdio>

namespace zonvert::platform {

const char kTemplateSubdirectory[] = "/template/";

namespace {

void WriteToStandardError(const char* caption, const char* text) {
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

void ShowMessage(const char* caption, const char* text) { gMessageSink(caption, text); }

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = gMessageSink;
  gMessageSink = sink != nullptr ? sink : &WriteToStandardError;
  return previous;
}

}  // namespace zonvert::platform
