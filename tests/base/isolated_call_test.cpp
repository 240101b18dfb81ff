#include "base/isolated_call.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace lumatrix {
namespace {

TEST(IsolatedCall, ReturnsWhatTheChildAnsweredEvenWhenEmptyOrLarge) {
  EXPECT_EQ(call_isolated([] { return std::string("picture"); }), "picture");
  EXPECT_EQ(call_isolated([] { return std::string(); }), "");
  const std::string large(3 << 20, 'x');  // larger than a pipe holds at once
  EXPECT_EQ(call_isolated([&] { return large; }), large);
}

TEST(IsolatedCall, AChildThatAbortsOrThrowsGivesNoAnswerAndThisProcessGoesOn) {
  EXPECT_EQ(call_isolated([]() -> std::string { std::abort(); }), std::nullopt);
  EXPECT_EQ(call_isolated([]() -> std::string { throw std::runtime_error("lost"); }), std::nullopt);
  EXPECT_EQ(call_isolated([] { return std::string("still here"); }), "still here");
}

}  // namespace
}  // namespace lumatrix
