#include "base/progress_rate.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

using namespace std::chrono_literals;

TEST(ProgressRate, CountsWorkTimeOnlyAndStartsAgainWithANewBar) {
  ProgressRate rate;
  const auto t0 = ProgressRate::Clock::time_point{} + 100s;
  rate.update(0, 10, t0);
  EXPECT_FALSE(rate.reading(t0 + 5s));  // nothing done yet
  rate.update(2, 10, t0 + 4s);
  // Four seconds of which two went to a question: one entry a second, eight to go.
  rate.add_wait(2s);
  auto reading = rate.reading(t0 + 4s);
  ASSERT_TRUE(reading);
  EXPECT_EQ(reading->per_second, "1.0/s");
  EXPECT_EQ(reading->left, "0:08 left");

  rate.update(10, 10, t0 + 10s);
  reading = rate.reading(t0 + 10s);
  ASSERT_TRUE(reading);
  EXPECT_EQ(reading->per_second, "1.2/s");  // 10 in 8 s of work
  EXPECT_EQ(reading->left, "");             // the bar is full

  // Another maximum is another bar: timing and waits start again.
  rate.update(1, 4000, t0 + 20s);
  reading = rate.reading(t0 + 22s);
  ASSERT_TRUE(reading);
  EXPECT_EQ(reading->per_second, "0.5/s");
  EXPECT_EQ(reading->left, "2:13:18 left");
  EXPECT_FALSE(rate.reading(t0 + 20s));  // too little timed to tell
}

TEST(ProgressRate, ClockText) {
  EXPECT_EQ(clock_text(0), "0:00");
  EXPECT_EQ(clock_text(59.6), "1:00");
  EXPECT_EQ(clock_text(3599), "59:59");
  EXPECT_EQ(clock_text(3600), "1:00:00");
}

}  // namespace
}  // namespace lumatrix
