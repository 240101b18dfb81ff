#include "cli/resource_options.h"

#include <gtest/gtest.h>

#include "cli/command.h"

namespace lumatrix::cli {
namespace {

TEST(JobsOption, ACountOfWorkersOrZero) {
  EXPECT_EQ(jobs_value("4"), 4);
  EXPECT_EQ(jobs_value("0"), 0);
  EXPECT_EQ(jobs_value("1024"), 1024);
  EXPECT_EQ(jobs_value(" 4 "), 4);
  for (const char* bad : {"", "-1", "1025", "two", "2.5"})
    EXPECT_THROW(jobs_value(bad), UsageError) << bad;
}

TEST(MemoryOption, WholeNumbersWithBinaryUnits) {
  EXPECT_EQ(memory_value("512M"), 512ull << 20);
  EXPECT_EQ(memory_value("2G"), 2ull << 30);
  EXPECT_EQ(memory_value("2g"), 2ull << 30);
  EXPECT_EQ(memory_value("2GB"), 2ull << 30);
  EXPECT_EQ(memory_value("2GiB"), 2ull << 30);
  EXPECT_EQ(memory_value("1T"), 1ull << 40);
  EXPECT_EQ(memory_value("64k"), 64ull << 10);
  EXPECT_EQ(memory_value("1500000"), 1500000u);
  EXPECT_EQ(memory_value("100B"), 100u);
  EXPECT_EQ(memory_value("0"), 0u);
  for (const char* bad : {"", "G", "1.5G", "-1G", "2X", "lots", "99999999999T"}) {
    try {
      memory_value(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const UsageError& e) {
      EXPECT_NE(e.message.find("--memory"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace lumatrix::cli
