#include "VarTable.h"

#include <atomic>
#include <functional>

namespace veltaro {

// ---- TLabelArray ---------------------------------------------------------------

std::uint64_t TLabelArray::NewStamp() {
  // Stamp 0 is never given: a fresh index, built for no array, records it.
  static std::atomic<std::uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

// ---- TVarIndex -----------------------------------------------------------------

namespace {

std::size_t HashOf(std::string_view label) { return std::hash<std::string_view>{}(label); }

}  // namespace

std::size_t TVarIndex::Probe(const TLabelArray& labels, std::string_view label, std::size_t hash) const {
  // Linear probing in a table at most half full: the slot of label, or the
  // empty slot where it belongs.
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const TSlot& slot = slots_[at];
    if (slot.first == kNone) return at;
    if (slot.hash == hash && labels[slot.first] == label) return at;
  }
}

void TVarIndex::Grow(std::size_t count) {
  std::size_t capacity = 16;
  while (capacity < 2 * count + 2) capacity *= 2;
  if (capacity <= slots_.size()) return;
  std::vector<TSlot> old = std::move(slots_);
  slots_.assign(capacity, TSlot{});
  const std::size_t mask = capacity - 1;
  for (const TSlot& slot : old) {
    if (slot.first == kNone) continue;
    std::size_t at = slot.hash & mask;
    while (slots_[at].first != kNone) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

void TVarIndex::Build(const TLabelArray& labels) {
  slots_.clear();
  next_.assign(labels.size(), kNone);
  distinct_ = 0;
  Grow(labels.size());
  for (std::size_t k = 0; k < labels.size(); ++k) Insert(labels, k);
  stamp_ = labels.Stamp();
}

void TVarIndex::Insert(const TLabelArray& labels, std::size_t k) {
  const auto position = static_cast<std::uint32_t>(k);
  const std::size_t hash = HashOf(labels[k]);
  TSlot& slot = slots_[Probe(labels, labels[k], hash)];
  if (slot.first == kNone) {
    slot = TSlot{hash, position, position};
    ++distinct_;
  } else {
    next_[slot.last] = position;
    slot.last = position;
  }
}

std::pair<std::uint32_t, std::uint32_t> TVarIndex::Find(const TLabelArray& labels, std::string_view label) const {
  if (slots_.empty()) return {kNone, kNone};
  const TSlot& slot = slots_[Probe(labels, label, HashOf(label))];
  return {slot.first, slot.last};
}

void TVarIndex::Appended(const TLabelArray& labels) {
  next_.push_back(kNone);
  Grow(distinct_ + 1);
  Insert(labels, labels.size() - 1);
  stamp_ = labels.Stamp();
}

// ---- The table -----------------------------------------------------------------

namespace {

// The index of table, rebuilt when the labels changed behind its back.
const TVarIndex& IndexOf(const TVarTable& table) {
  if (!table.lookup.IsFor(table.labels)) table.lookup.Build(table.labels);
  return table.lookup;
}

}  // namespace

void ClearVarTable(TVarTable& table) {
  table.labels.clear();
  table.comments.clear();
  table.values.clear();
}

bool FindVariable(const TVarTable& table, const std::string& label, TComplex& value) {
  value = TComplex{};
  if (label.empty()) return false;
  // With duplicate labels the last one wins.
  const std::uint32_t last = IndexOf(table).Find(table.labels, label).second;
  if (last == TVarIndex::kNone) return false;
  value = table.values[last];
  return true;
}

bool SetVariable(TVarTable& table, const std::string& label, TComplex value, const std::string& comment) {
  if (label.empty()) return false;
  const TVarIndex& index = IndexOf(table);
  const std::uint32_t first = index.Find(table.labels, label).first;
  if (first != TVarIndex::kNone) {
    for (std::uint32_t k = first; k != TVarIndex::kNone; k = index.Next(k)) {
      table.comments[k] = comment;
      table.values[k] = value;
    }
    return true;
  }
  if (table.labels.size() >= kMaxVariables) return false;
  table.labels.push_back(label);
  table.comments.push_back(comment);
  table.values.push_back(value);
  table.lookup.Appended(table.labels);
  return true;
}

void DeleteVariable(TVarTable& table, const std::string& label) {
  const std::uint32_t first = IndexOf(table).Find(table.labels, label).first;
  if (first == TVarIndex::kNone) return;
  // Every later entry moves up one place: the index is rebuilt at the next
  // look-up, as the erase has changed the labels' stamp.
  const auto at = static_cast<std::ptrdiff_t>(first);
  table.labels.erase(table.labels.cbegin() + at);
  table.comments.erase(table.comments.begin() + at);
  table.values.erase(table.values.begin() + at);
}

void CopyVarTable(const TVarTable& source, TVarTable& destination) {
  if (&source == &destination) return;
  // The labels' copy keeps their stamp, so the index copied with them stays
  // valid.
  destination.labels = source.labels;
  destination.comments = source.comments;
  destination.values = source.values;
  destination.lookup = source.lookup;
}

}  // namespace veltaro
