// One hundred start-ups in a row against the demo dashboard: every one fills the boxes
// alike, and memory stays flat from the tenth on (nothing of a start-up outlives it).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "app/query/console_window.h"
#include "app/startup.h"
#include "tests/app/demo_dashboard.h"
#include "tests/fixtures/process_memory.h"

namespace quarvel {
namespace {

TEST(StartupSoakTest, HundredStartUpsFillAlikeWithFlatMemory) {
  testing::DemoDashboard dashboard;
  ASSERT_NE(dashboard.Port(), 0) << "demo dashboard did not start";
  const DashboardProfile profile = dashboard.Profile();

  std::array<Text, 3> first;
  long afterTenth = 0;
  for (int run = 1; run <= 100; ++run) {
    ConsoleWindow window(nullptr);
    OnMainWindowCreated(window, profile);
    const std::array<Text, 3> boxes{window.ControlText(Control::Edit1),
                                    window.ControlText(Control::Edit2),
                                    window.ControlText(Control::Edit3)};
    if (run == 1) {
      first = boxes;
      ASSERT_NE(first[1], "") << "the demo's TCP list did not come";
    }
    ASSERT_EQ(boxes, first) << "run " << run;
    if (run == 10) afterTenth = testing::ResidentKiB();
  }
  const long afterHundredth = testing::ResidentKiB();
  std::printf("RSS after run 10: %ld KiB, after run 100: %ld KiB\n", afterTenth, afterHundredth);
  RecordProperty("rss_after_run_10_kib", std::to_string(afterTenth));
  RecordProperty("rss_after_run_100_kib", std::to_string(afterHundredth));
  // 90 start-ups of 3 requests each: a leak of even 4 KiB a request would pass 1 MiB.
  if (!testing::kMemoryHeldBySanitizer) {
    EXPECT_LT(afterHundredth - afterTenth, 1024);
  }
}

}  // namespace
}  // namespace quarvel
