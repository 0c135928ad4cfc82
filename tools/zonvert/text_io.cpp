#include "text_io.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace zonvert_tool {
namespace {

constexpr std::size_t kInputBlock = std::size_t{1} << 20;   // bytes per read
constexpr std::size_t kOutputBlock = std::size_t{1} << 20;  // bytes per write

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool EndsField(char c) { return IsBlank(c) || c == ','; }

}  // namespace

bool ParseNumber(std::string_view text, double* value) {
  const char* first = text.data();
  const char* last = first + text.size();
  // from_chars takes no leading '+'; "+-1" must still fail.
  if (first != last && *first == '+' && first + 1 != last && first[1] != '-') ++first;
  if (first == last) return false;
  double parsed = 0.0;
  auto [next, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (ec != std::errc() || next != last || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseInt(std::string_view text, int32_t* value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+' && first + 1 != last && first[1] != '-') ++first;
  if (first == last) return false;
  int32_t parsed = 0;
  auto [next, ec] = std::from_chars(first, last, parsed);
  if (ec != std::errc() || next != last) return false;
  *value = parsed;
  return true;
}

bool IsPassThroughLine(std::string_view line) {
  for (char c : line) {
    if (IsBlank(c)) continue;
    return c == '#';
  }
  return true;
}

LineFields SplitFields(std::string_view line) {
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (i < n && IsBlank(line[i])) ++i;
  LineFields f;
  f.head = line.substr(0, i);
  std::size_t start = i;
  while (i < n && !EndsField(line[i])) ++i;
  f.first = line.substr(start, i - start);
  start = i;
  while (i < n && IsBlank(line[i])) ++i;
  if (i < n && line[i] == ',') {
    ++i;
    while (i < n && IsBlank(line[i])) ++i;
  }
  f.separator = line.substr(start, i - start);
  start = i;
  while (i < n && !EndsField(line[i])) ++i;
  f.second = line.substr(start, i - start);
  f.rest = line.substr(i);
  return f;
}

LineReader::LineReader(int fd) : fd_(fd), buffer_(kInputBlock) {}

bool LineReader::Fill(bool* failed) {
  // Keep the unread tail at the front, then read behind it.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) *failed = true;
    eof_ = true;
    return false;
  }
}

bool LineReader::Next(std::string_view* line, bool* failed) {
  std::size_t scanned = begin_;
  for (;;) {
    const char* data = buffer_.data();
    const void* feed = std::memchr(data + scanned, '\n', end_ - scanned);
    if (feed != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(feed) - data);
      *line = std::string_view(data + begin_, at - begin_);
      begin_ = at + 1;
      return true;
    }
    if (eof_) break;
    scanned = end_ - begin_;  // offset of the unscanned part after Fill moves the tail
    if (!Fill(failed)) break;
  }
  if (begin_ == end_) return false;
  // A last line without a line feed.
  *line = std::string_view(buffer_.data() + begin_, end_ - begin_);
  begin_ = end_;
  return true;
}

OutputBuffer::OutputBuffer(int fd) : fd_(fd), buffer_(kOutputBlock) {}

OutputBuffer::~OutputBuffer() { Flush(); }

char* OutputBuffer::Reserve(std::size_t size) {
  if (buffer_.size() - used_ < size) {
    Flush();
    if (buffer_.size() < size) buffer_.resize(size);
  }
  return buffer_.data() + used_;
}

void OutputBuffer::Append(std::string_view text) {
  char* out = Reserve(text.size());
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  Commit(out + text.size());
}

bool OutputBuffer::Flush() {
  std::size_t done = 0;
  while (done < used_ && !failed_) {
    const ssize_t put = ::write(fd_, buffer_.data() + done, used_ - done);
    if (put > 0) {
      done += static_cast<std::size_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      failed_ = true;
    }
  }
  used_ = 0;
  return !failed_;
}

char* FormatFixed(char* out, double value, int decimals) {
  return std::to_chars(out, out + kMaxFixedWidth, value, std::chars_format::fixed, decimals).ptr;
}

}  // namespace zonvert_tool
