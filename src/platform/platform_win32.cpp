// Windows implementation of the platform layer.
#include "platform/platform.h"

#include <windows.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace zonvert::platform {

const char kTemplateSubdirectory[] = "\\template\\";

namespace {

void ShowMessageBox(const char* caption, const char* text, MessageIcon icon) {
  // Modal, no owner window, OK button only; the calling thread waits until
  // the user dismisses it.
  const UINT flags = MB_OK | (icon == MessageIcon::kExclamation ? MB_ICONEXCLAMATION : 0u);
  MessageBoxA(nullptr, text, caption, flags);
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

void ShowMessage(const char* caption, const char* text, MessageIcon icon) {
  gMessageSink(caption, text, icon);
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = gMessageSink;
  gMessageSink = sink != nullptr ? sink : &ShowMessageBox;
  return previous;
}

bool IsPipeOrDevice(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_type type = std::filesystem::status(path, error).type();
  if (error) return false;
  return type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::socket ||
         type == std::filesystem::file_type::character || type == std::filesystem::file_type::block;
}

bool MapFileReadOnly(const std::string& path, MappedFile* mapped) {
  *mapped = MappedFile{};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file, &length) || length.QuadPart < 0 ||
      static_cast<unsigned long long>(length.QuadPart) > static_cast<SIZE_T>(-1)) {
    CloseHandle(file);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(length.QuadPart);
  const void* data = nullptr;
  if (size > 0) {  // a mapping of an empty file cannot be created
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
      CloseHandle(file);
      return false;
    }
    data = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(mapping);  // the view keeps the mapping alive
    if (data == nullptr) {
      CloseHandle(file);
      return false;
    }
  }
  CloseHandle(file);
  mapped->data = static_cast<const unsigned char*>(data);
  mapped->size = size;
  mapped->heldBytes = size;
  mapped->isOpen = true;
  return true;
}

void UnmapFile(MappedFile* mapped) {
  if (mapped->isOpen && mapped->data != nullptr) UnmapViewOfFile(mapped->data);
  *mapped = MappedFile{};
}

}  // namespace zonvert::platform
