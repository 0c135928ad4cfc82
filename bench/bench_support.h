// Shared set-up of the benchmark programs: a temporary installation root and
// a fixed pseudo-random sequence.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>  // mkdtemp

namespace zonvert::bench {

// A temporary installation root with an empty template/ folder, removed
// with everything in it when the object goes.  Files are linked in, never
// copied.
class TempRoot {
 public:
  TempRoot() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/zonvert-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    path_ = pattern;
    std::filesystem::create_directories(templatePath());
  }
  ~TempRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::string& path() const { return path_; }
  std::string templatePath() const { return path_ + "/template"; }

  // Links `source` into template/ under `name`.
  void LinkIntoTemplate(const std::filesystem::path& source, const std::string& name) const {
    std::filesystem::create_symlink(source, std::filesystem::path(templatePath()) / name);
  }

 private:
  std::string path_;
};

// A fixed pseudo-random sequence in [0, 1) (a linear congruential
// generator), so that every run uses the same points.
class Uniform {
 public:
  double operator()() {
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state_ >> 11) * 0x1.0p-53;
  }

 private:
  uint64_t state_ = 0x2545F4914F6CDD1Du;
};

}  // namespace zonvert::bench
