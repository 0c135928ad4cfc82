// A double as "%f" writes it in the C locale: sign, integer digits, a
// point and six decimals, the exact binary value rounded to nearest with
// ties to even; "inf", "nan" and their negatives as the C library spells
// them.
#pragma once

#include <cstddef>

namespace zonvert {

// Widest such text of a double: sign, 309 integer digits, point, 6 decimals.
inline constexpr size_t kFixedTextWidth = 1 + 309 + 1 + 6;

// Writes `value` at `out` (room for kFixedTextWidth characters up to `end`)
// and returns the end of the text; no terminator is written.
char* AppendFixedText(char* out, char* end, double value);

}  // namespace zonvert
