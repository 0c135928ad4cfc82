// The table of conversion_cases.h on Linux, through the exports linked in:
// the same cases and tolerances that the Windows host checks under wine.
#include <gtest/gtest.h>

#include <filesystem>

#include "conversion_cases.h"
#include "test_support.h"
#include "zonvert.h"

namespace zonvert {
namespace {
namespace fs = std::filesystem;

constexpr const char* kAreaNames[] = {"conus",    "hawaii", "prvi",  "stlrnc",
                                      "stgeorge", "stpaul", "alaska"};

TEST(ConversionCases, EveryCaseWithinItsTolerance) {
  testing::ResetLibraryState();
  testing::TempDir root;
  const fs::path templateDir = fs::path(root.path()) / "template";
  fs::create_directories(templateDir);
  fs::copy_file(fs::path(ZONVERT_SOURCE_DIR) / "template" / "con_dos.asc",
                templateDir / "con_dos.asc");
  for (const char* area : kAreaNames) {
    for (const char* extension : {".las", ".los"}) {
      const std::string file = std::string(area) + extension;
      fs::create_symlink(fs::path(ZONVERT_NADCON_GRIDS) / file, templateDir / file);
    }
  }
  SetPath(root.path().c_str());
  testing::MessageRecorder messages;

  const cases::Exports exports{&LLDRV_NEW,    &lldrv,        &lldrv_dbl,    &lldrv_str,
                               &SetPath,      &Nadcon27To83, &Nadcon83To27, &NadconClean};
  for (const cases::Case& c : cases::kCases) {
    const cases::Result r = cases::RunCase(exports, c);
    EXPECT_TRUE(r.pass) << cases::Describe(c, r) << "\n  want " << c.want[0] << " "
                        << c.want[1] << " status " << c.wantStatus;
  }
  EXPECT_TRUE(messages.messages().empty()) << messages.messages()[0].text;
  testing::ResetLibraryState();
}

}  // namespace
}  // namespace zonvert
