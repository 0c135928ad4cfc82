// Windows implementation of the platform layer.
#include "platform/platform.h"

#include <windows.h>

#include <vector>

namespace zonvert::platform {

const char kTemplateSubdirectory[] = "\\template\\";

namespace {

void ShowMessageBox(const char* caption, const char* text) {
  // Modal, no owner window, exclamation icon, OK button only.
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

MessageSink gMessageSink = &ShowMessageBox;

}  // namespace

std::string ModuleFileName() {
  // The loaded module named zonvert.dll; when the library file carries
  // another name the handle is null and the host executable is named.
  HMODULE module = GetModuleHandleA("zonvert.dll");
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // truncated: grow and ask again
  }
}

void ShowMessage(const char* caption, const char* text) { gMessageSink(caption, text); }

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = gMessageSink;
  gMessageSink = sink != nullptr ? sink : &ShowMessageBox;
  return previous;
}

}  // namespace zonvert::platform
