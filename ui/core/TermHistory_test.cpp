#include "TermHistory.h"

#include <gtest/gtest.h>

namespace veltaro {
namespace {

TEST(TermHistory, UpAndDownWalkNewestFirstAndGiveBackTheDraft) {
  TTermHistory history;
  EXPECT_FALSE(history.Older("typed"));
  EXPECT_FALSE(history.Newer());
  history.Add("1+1");
  history.Add("2*x");
  history.Add("2*x");  // repeated directly: kept once
  history.Add("sin(1)");
  EXPECT_EQ(history.Size(), 3u);
  EXPECT_EQ(history.Older("draft"), "sin(1)");
  EXPECT_EQ(history.Older("sin(1)"), "2*x");
  EXPECT_EQ(history.Older("2*x"), "1+1");
  EXPECT_FALSE(history.Older("1+1"));  // the oldest stays
  EXPECT_EQ(history.Newer(), "2*x");
  EXPECT_EQ(history.Newer(), "sin(1)");
  EXPECT_EQ(history.Newer(), "draft");
  EXPECT_FALSE(history.Newer());
  // A new walk keeps the new draft.
  EXPECT_EQ(history.Older("other"), "sin(1)");
  EXPECT_EQ(history.Newer(), "other");
}

TEST(TermHistory, CalculatingEndsTheWalkAndRepeatsOnlyCollapseWhenDirect) {
  TTermHistory history;
  history.Add("a");
  history.Add("b");
  EXPECT_EQ(history.Older(""), "b");
  EXPECT_EQ(history.Older("b"), "a");
  history.Add("a");  // an older term calculated again becomes the newest
  EXPECT_EQ(history.Size(), 3u);
  EXPECT_EQ(history.Older("x"), "a");
  EXPECT_EQ(history.Older("a"), "b");
  history.EndWalk();
  EXPECT_EQ(history.Older("y"), "a");
}

TEST(TermHistory, KeepsABoundedNumberOfTerms) {
  TTermHistory history;
  for (std::size_t k = 0; k < TTermHistory::kMaxTerms + 10; ++k) history.Add(std::to_string(k));
  EXPECT_EQ(history.Size(), TTermHistory::kMaxTerms);
  std::optional<std::string> last;
  for (std::size_t k = 0; k < TTermHistory::kMaxTerms; ++k) last = history.Older("");
  EXPECT_EQ(last, "10");
}

}  // namespace
}  // namespace veltaro
