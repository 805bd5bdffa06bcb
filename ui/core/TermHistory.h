// The terms calculated in this run, walked newest first with Up and Down as
// in a shell. Toolkit-free; nothing is kept beyond the run.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace veltaro {

class TTermHistory {
 public:
  // At most this many terms are kept; the oldest go first.
  static constexpr std::size_t kMaxTerms = 500;

  // A term was calculated: it becomes the newest, unless it repeats the
  // newest directly. Ends any walk.
  void Add(const std::string& term);

  // One step to an older term; typed is what the field holds now, kept as
  // the draft when the walk starts. Nothing when there is no older term.
  std::optional<std::string> Older(const std::string& typed);

  // One step to a newer term; past the newest, the draft comes back. Nothing
  // when no walk is under way.
  std::optional<std::string> Newer();

  // The user changed the text: the next Up starts from the newest again.
  void EndWalk() { position_ = kNone; }

  std::size_t Size() const { return terms_.size(); }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::deque<std::string> terms_;  // newest first
  std::size_t position_ = kNone;   // index into terms_ during a walk
  std::string draft_;
};

}  // namespace veltaro
