// The parameter-file number reader against the C library's fscanf: the same
// values (bit for bit) and the same stop point for texts where a reader of
// its own is easily tempted to differ (signs, partial exponents, hex
// floats, infinities and not-a-numbers, out-of-range values, white space).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "interface/number_scanner.h"
#include "interface/zone_params.h"

namespace zonvert {
namespace {

// One conversion: whether it succeeded, the value's bits, and the stop
// point (characters consumed from the start of the text).
struct Step {
  bool ok;
  uint64_t bits;
  long stop;
};

uint64_t BitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// The text in a temporary file, read with fscanf one conversion after the
// other until one fails or the text ends; ftell gives each stop point.
std::vector<Step> ReferenceSteps(const std::string& text, bool integers) {
  std::FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  if (file == nullptr) return {};
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  std::vector<Step> steps;
  for (;;) {
    Step step{};
    if (integers) {
      int value = -42;
      step.ok = std::fscanf(file, "%d", &value) == 1;
      step.bits = static_cast<uint64_t>(static_cast<uint32_t>(value));
    } else {
      double value = -42.0;
      step.ok = std::fscanf(file, "%lf", &value) == 1;
      step.bits = BitsOf(value);
    }
    step.stop = std::ftell(file);
    if (!step.ok) step.bits = 0;
    steps.push_back(step);
    if (!step.ok) break;
  }
  std::fclose(file);
  return steps;
}

std::vector<Step> LibrarySteps(const std::string& text, bool integers) {
  NumberScanner scanner(text);
  std::vector<Step> steps;
  for (;;) {
    Step step{};
    if (integers) {
      int32_t value = -42;
      step.ok = scanner.ReadInt(&value);
      step.bits = static_cast<uint64_t>(static_cast<uint32_t>(value));
    } else {
      double value = -42.0;
      step.ok = scanner.ReadDouble(&value);
      step.bits = BitsOf(value);
    }
    step.stop = static_cast<long>(scanner.position());
    if (!step.ok) step.bits = 0;
    steps.push_back(step);
    if (!step.ok) break;
  }
  return steps;
}

void ExpectSameSteps(const std::string& text, bool integers) {
  const std::vector<Step> expected = ReferenceSteps(text, integers);
  const std::vector<Step> actual = LibrarySteps(text, integers);
  ASSERT_EQ(actual.size(), expected.size()) << '"' << text << '"';
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i].ok, expected[i].ok) << '"' << text << "\" conversion " << i;
    EXPECT_EQ(actual[i].bits, expected[i].bits) << '"' << text << "\" conversion " << i;
    EXPECT_EQ(actual[i].stop, expected[i].stop) << '"' << text << "\" conversion " << i;
  }
}

TEST(NumberScanner, RealsReadAsFscanfReadsThem) {
  const char* const texts[] = {
      // white space and signs
      " \t\n\v\f\r1.5", "+1.5", "-1.5", "+-1", "-+1", "--1", "+", "-", "- 1", "+ 1",
      // points and plain forms
      ".", "-.", ".5", "-.5", "5.", "1.5.3", ".e1", "0.e1", "e5", "0.1 0.2\r\n0.3",
      "6378206.4 0.0067686579972910995 0.08227185422300326",
      "123456789012345678901234567890.5", "0.000000000000000000000000000001234",
      // exponents, whole and partial
      "1e5", "1E5", "1e+5", "1e-5", "1e", "1e+", "1e-", "1e+x", "1ex", "0e", "100ergs", "1e5e5",
      // hexadecimal
      "0x1p3", "0X1P-2", "-0x1.8p1", "0x1.8", "0x", "0xg", "0xp3", "0x.p1", "0x1p", "0x1P+",
      "0xe+1", "00x1", "0x1.fffffffffffffp1023", "0xA.Bp0",
      // infinities and not-a-numbers
      "inf", "-INF", "+Infinity", "infinity5", "infinit", "infin", "infi", "in", "i", "inx",
      "nan", "-nan", "+NaN", "nan(123)", "nax", "na", "n",
      // out of range: infinities, zeros and subnormals as strtod gives them
      "1e400", "-1e400", "1e-400", "-1e-400", "1e-310", "3e-324", "2e-324",
      "2.4703282292062328e-324", "2.4703282292062327e-324", "0x1p1024", "-0x1p1024", "0x1p-1075",
      "0x1.8p-1075", "1e99999999999999999999", "1e-99999999999999999999", "0e999999999",
      "0.0000001e-320", "100000000000000000000e290",
      // characters that end a number
      "1,5", "12abc", "7\x1a", "\x1a" "1", "3-4",
  };
  for (const char* text : texts) ExpectSameSteps(text, /*integers=*/false);
}

TEST(NumberScanner, IntegersReadAsFscanfReadsThem) {
  const char* const texts[] = {
      "0",   "+7",          "-7",          " \r\n\v\f\t42x", "+",   "-",    "+x", "-5x",
      "0x5", "2147483647",  "-2147483648", "007",           "1.5", "--1", "+-1", "1 2 3 x",
      "e1",  "1e5",         "\x1a",
  };
  for (const char* text : texts) ExpectSameSteps(text, /*integers=*/true);
}

// Beyond 32 bits C leaves a "%d" conversion undefined (the GNU library
// stores the value cut to 32 bits, so 4294967297 reads as 1); the reader
// refuses such a number rather than make up a zone code.
TEST(NumberScanner, RefusesIntegersBeyond32Bits) {
  for (const char* text : {"2147483648", "-2147483649", "4294967297", "99999999999999999999"}) {
    NumberScanner scanner(text);
    int32_t value = -42;
    EXPECT_FALSE(scanner.ReadInt(&value)) << text;
    EXPECT_EQ(value, -42) << text;
  }
}

// Checking a number without forming its value consumes the same
// characters and fails on the same texts.
TEST(NumberScanner, CheckingWithoutAValueMatchesReading) {
  for (const char* text : {"1.5 x", "1e+ 2", "0x 1", "- 1", "nax 1", "inf 2", ". 1", "0x.p1 3"}) {
    NumberScanner reading(text);
    NumberScanner checking(text);
    double value = 0.0;
    for (int i = 0; i < 3; ++i) {
      const bool read = reading.ReadDouble(&value);
      EXPECT_EQ(checking.ReadDouble(nullptr), read) << text << " conversion " << i;
      EXPECT_EQ(checking.position(), reading.position()) << text << " conversion " << i;
      if (!read) break;
    }
  }
}

// A whole record of such numbers is found with the values fscanf reads,
// and a record where fscanf fails ends the scan.
TEST(NumberScanner, RecordsOfUnusualNumbersScanAsFscanf) {
  const std::string numbers =
      " +1 1e -2.5e+ 0x1p3 inf -nan 1e400 1e-400 .5 5. 0X.8P1 1e+ 7 8 9 10 11 12 13 14";
  ZoneParams record{};
  ASSERT_EQ(ScanParameterText("3" + numbers + "\n9" + numbers, 9, &record), ScanResult::kFound);
  const std::vector<Step> reference = ReferenceSteps(numbers, /*integers=*/false);
  ASSERT_EQ(reference.size(), 21u);  // twenty numbers, then the end of the text
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(reference[i].ok) << i;
    EXPECT_EQ(BitsOf(record.p[i]), reference[i].bits) << "P" << i;
  }

  // fscanf reads "1e+" of "1e+x" as 1 and then fails on "x": the scan
  // ends there, in the record before the key as in the key's own.
  const std::string broken = " 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 1e+x 20";
  EXPECT_EQ(ScanParameterText("3" + broken + "\n9" + numbers, 9, &record), ScanResult::kBadToken);
  EXPECT_EQ(ScanParameterText("9" + broken, 9, &record), ScanResult::kBadToken);
}

}  // namespace
}  // namespace zonvert
