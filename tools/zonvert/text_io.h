// Line input, buffered output and the number text of the zonvert tool.
//
// Input is read in large blocks with read(2) and cut into lines in place;
// output is gathered in one large buffer and written with write(2).  No
// allocation happens per line: buffers grow only for a line longer than
// the whole input buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert_tool {

// Parses the whole of `text` as a decimal number ("12", "-7.5", "+3e2").
// False for empty text, trailing characters, or a value that is not finite.
bool ParseNumber(std::string_view text, double* value);

// Parses the whole of `text` as a decimal integer of 32 bits.
bool ParseInt(std::string_view text, int32_t* value);

// One input line cut into the two coordinate fields and what surrounds
// them.  The line is head + first + separator + second + rest, where `rest`
// holds the extra columns and the line end exactly as read.
struct LineFields {
  std::string_view head;       // leading blanks
  std::string_view first;      // first field (empty when the line has none)
  std::string_view separator;  // blanks and at most one comma between the fields
  std::string_view second;     // second field (empty when missing)
  std::string_view rest;       // everything after the second field
};

// True for a line that carries no point: empty, blank, or a comment whose
// first character after blanks is '#'.  Such a line is copied unchanged.
bool IsPassThroughLine(std::string_view line);

// Splits a line (without its line feed) into fields.  Fields end at a
// blank, a tab, a comma or a carriage return.
LineFields SplitFields(std::string_view line);

// Reads lines from a file descriptor in blocks.
class LineReader {
 public:
  explicit LineReader(int fd);

  // The next line without its line feed; false at the end of the input.
  // `*failed` is set when a read error ended the input early.  The view
  // stays valid until the next call.
  bool Next(std::string_view* line, bool* failed);

 private:
  bool Fill(bool* failed);

  int fd_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // first unread byte
  std::size_t end_ = 0;    // one past the last byte read
  bool eof_ = false;
};

// Gathers output and writes it to a file descriptor in large blocks.
class OutputBuffer {
 public:
  explicit OutputBuffer(int fd);
  ~OutputBuffer();
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Makes room for at least `size` more bytes and returns where they go;
  // Commit then says how many were written.
  char* Reserve(std::size_t size);
  void Commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

  void Append(std::string_view text);

  // Writes out what is gathered.  False once a write has failed.
  bool Flush();
  bool failed() const { return failed_; }

 private:
  int fd_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

// Widest text FormatFixed writes: sign, 309 integer digits, point, decimals.
constexpr std::size_t kMaxDecimals = 17;
constexpr std::size_t kMaxFixedWidth = 1 + 309 + 1 + kMaxDecimals;

// Writes `value` with `decimals` digits after the point, as "%.*f" does in
// the C locale, and returns the end.  `out` has room for kMaxFixedWidth.
char* FormatFixed(char* out, double value, int decimals);

}  // namespace zonvert_tool
