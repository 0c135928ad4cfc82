// Runs the table of conversion_cases.h through the shared library and
// prints one line per case (tools/check-windows.sh compares the lines with
// those of the Windows host under wine).  Exit status 1 when a case misses
// its expected value.
// Usage: zonvert_cases_print ROOT   (ROOT/template/ holds con_dos.asc and
// the NADCON grids)
#include <cstdio>

#include "conversion_cases.h"
#include "zonvert.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zonvert_cases_print ROOT\n");
    return 2;
  }
  SetPath(argv[1]);
  const zonvert::cases::Exports exports{&LLDRV_NEW,    &lldrv,        &lldrv_dbl,
                                        &lldrv_str,    &SetPath,      &Nadcon27To83,
                                        &Nadcon83To27, &NadconClean};
  int failed = 0;
  for (const zonvert::cases::Case& c : zonvert::cases::kCases) {
    const zonvert::cases::Result r = zonvert::cases::RunCase(exports, c);
    std::fflush(stdout);  // the library's trace lines go to stdout as well
    std::printf("case %s%s\n", zonvert::cases::Describe(c, r).c_str(), r.pass ? "" : " | FAILED");
    failed += !r.pass;
  }
  NadconClean();
  return failed == 0 ? 0 : 1;
}
