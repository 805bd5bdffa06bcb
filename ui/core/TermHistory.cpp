#include "TermHistory.h"

namespace veltaro {

void TTermHistory::Add(const std::string& term) {
  position_ = kNone;
  if (!terms_.empty() && terms_.front() == term) return;
  terms_.push_front(term);
  if (terms_.size() > kMaxTerms) terms_.pop_back();
}

std::optional<std::string> TTermHistory::Older(const std::string& typed) {
  const std::size_t next = position_ == kNone ? 0 : position_ + 1;
  if (next >= terms_.size()) return std::nullopt;
  if (position_ == kNone) draft_ = typed;
  position_ = next;
  return terms_[position_];
}

std::optional<std::string> TTermHistory::Newer() {
  if (position_ == kNone) return std::nullopt;
  if (position_ == 0) {
    position_ = kNone;
    return std::move(draft_);
  }
  --position_;
  return terms_[position_];
}

}  // namespace veltaro
