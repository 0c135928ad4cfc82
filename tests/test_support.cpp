#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "interface/conversion.h"
#include "platform/platform.h"
#include "zonvert.h"

namespace zonvert::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/zonvert-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& relative, const std::string& contents) const {
  const fs::path full = fs::path(path_) / relative;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out << contents;
  return full.string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {
std::vector<ShownMessage> gShown;
void Record(const char* caption, const char* text) { gShown.push_back({caption, text}); }
}  // namespace

MessageRecorder::MessageRecorder() {
  gShown.clear();
  platform::SetMessageSink(&Record);
}
MessageRecorder::~MessageRecorder() { platform::SetMessageSink(nullptr); }
const std::vector<ShownMessage>& MessageRecorder::messages() const { return gShown; }
void MessageRecorder::Clear() { gShown.clear(); }

void ResetLibraryState() {
  ResetConversionModule();
  NadconClean();
}

}  // namespace zonvert::testing
