// The variable table: parallel arrays of labels, comments and values, in
// order of insertion. Labels compare as exact byte strings.
//
// Look-ups go through an index of the labels (a hash table of positions), so
// that finding or adding a variable does not walk the table. The index is a
// cache: the label array carries a stamp that changes with every access that
// could change a label (any non-const access, assignment, clearing), and a
// look-up that finds the index built for another stamp rebuilds it first.
// Code that fills or edits the arrays directly therefore stays correct; the
// functions below keep the index up to date themselves so that it is not
// rebuilt after each of their own changes. A reference or iterator obtained
// through non-const access must not be used to change a label after a later
// look-up (the change would not be seen), and a table is not for use from
// several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Complex.h"

namespace veltaro {

inline constexpr std::size_t kMaxVariables = 65535;

// A vector of strings whose stamp changes whenever its contents may change.
// Equal stamps mean equal contents: a copy takes its source's stamp, every
// other change takes a stamp never given before.
class TLabelArray {
 public:
  using Strings = std::vector<std::string>;
  using value_type = std::string;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = std::string&;
  using const_reference = const std::string&;
  using iterator = Strings::iterator;
  using const_iterator = Strings::const_iterator;

  TLabelArray() = default;
  TLabelArray(std::initializer_list<std::string> items) : items_(items) {}
  TLabelArray(Strings items) : items_(std::move(items)) {}  // NOLINT: converts like the vector it wraps
  TLabelArray(const TLabelArray& other) = default;
  TLabelArray(TLabelArray&& other) noexcept : items_(std::move(other.items_)), stamp_(other.stamp_) {
    other.items_.clear();
    other.Touch();
  }
  TLabelArray& operator=(const TLabelArray& other) {
    items_ = other.items_;
    stamp_ = other.stamp_;
    return *this;
  }
  TLabelArray& operator=(TLabelArray&& other) noexcept {
    if (this == &other) return *this;
    items_ = std::move(other.items_);
    stamp_ = other.stamp_;
    other.items_.clear();
    other.Touch();
    return *this;
  }
  TLabelArray& operator=(std::initializer_list<std::string> items) {
    items_ = items;
    Touch();
    return *this;
  }
  TLabelArray& operator=(Strings items) {
    items_ = std::move(items);
    Touch();
    return *this;
  }

  // Reading.
  size_type size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const std::string& operator[](size_type k) const { return items_[k]; }
  const std::string& front() const { return items_.front(); }
  const std::string& back() const { return items_.back(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }
  const_iterator cbegin() const { return items_.cbegin(); }
  const_iterator cend() const { return items_.cend(); }
  const Strings& Items() const { return items_; }
  operator const Strings&() const { return items_; }  // NOLINT: reads as the vector it wraps

  // Access that may change labels.
  std::string& operator[](size_type k) {
    Touch();
    return items_[k];
  }
  std::string& front() {
    Touch();
    return items_.front();
  }
  std::string& back() {
    Touch();
    return items_.back();
  }
  iterator begin() {
    Touch();
    return items_.begin();
  }
  iterator end() {
    Touch();
    return items_.end();
  }
  void push_back(const std::string& label) {
    Touch();
    items_.push_back(label);
  }
  void push_back(std::string&& label) {
    Touch();
    items_.push_back(std::move(label));
  }
  template <class... Args>
  std::string& emplace_back(Args&&... args) {
    Touch();
    return items_.emplace_back(std::forward<Args>(args)...);
  }
  void pop_back() {
    Touch();
    items_.pop_back();
  }
  iterator erase(const_iterator at) {
    Touch();
    return items_.erase(at);
  }
  iterator erase(const_iterator first, const_iterator last) {
    Touch();
    return items_.erase(first, last);
  }
  iterator insert(const_iterator at, std::string label) {
    Touch();
    return items_.insert(at, std::move(label));
  }
  void resize(size_type count) {
    Touch();
    items_.resize(count);
  }
  void reserve(size_type count) { items_.reserve(count); }
  void clear() {
    Touch();
    items_.clear();
  }

  std::uint64_t Stamp() const { return stamp_; }

  friend bool operator==(const TLabelArray& a, const TLabelArray& b) { return a.items_ == b.items_; }
  friend bool operator==(const TLabelArray& a, const Strings& b) { return a.items_ == b; }

 private:
  static std::uint64_t NewStamp();
  void Touch() { stamp_ = NewStamp(); }

  Strings items_;
  std::uint64_t stamp_ = NewStamp();
};

// Positions of the labels of one label array: for each distinct label its
// first and last position, and for each position the next one with the same
// label. Valid for the array whose stamp it records.
class TVarIndex {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  bool IsFor(const TLabelArray& labels) const { return stamp_ == labels.Stamp(); }
  void Build(const TLabelArray& labels);
  // First and last position of label, or kNone twice.
  std::pair<std::uint32_t, std::uint32_t> Find(const TLabelArray& labels, std::string_view label) const;
  // The next position after at with the same label, or kNone.
  std::uint32_t Next(std::uint32_t at) const { return next_[at]; }
  // Takes in the label just appended as the last element of labels; the
  // index must have been up to date before that append.
  void Appended(const TLabelArray& labels);
  // Marks the index as up to date for labels, whose contents equal those it
  // was built for.
  void Adopt(const TLabelArray& labels) { stamp_ = labels.Stamp(); }

 private:
  struct TSlot {
    std::size_t hash = 0;
    std::uint32_t first = kNone;
    std::uint32_t last = kNone;
  };
  std::size_t Probe(const TLabelArray& labels, std::string_view label, std::size_t hash) const;
  void Grow(std::size_t count);
  // Enters the label at position k, the last of its chain so far.
  void Insert(const TLabelArray& labels, std::size_t k);

  std::vector<TSlot> slots_;
  std::vector<std::uint32_t> next_;
  std::size_t distinct_ = 0;
  std::uint64_t stamp_ = 0;
};

struct TVarTable {
  TLabelArray labels;
  std::vector<std::string> comments;
  std::vector<TComplex> values;
  // Kept by the functions below and rebuilt on demand; never written
  // elsewhere.
  mutable TVarIndex lookup;
};

void ClearVarTable(TVarTable& table);
// True and the value of the last entry carrying exactly that label, or false
// and (0, 0).
bool FindVariable(const TVarTable& table, const std::string& label, TComplex& value);
// Updates every entry with that label, or appends one. An empty label, or a
// new label for a table that is full, changes nothing; returns whether the
// table now holds the label.
bool SetVariable(TVarTable& table, const std::string& label, TComplex value, const std::string& comment);
// Removes the first entry with that label, if any.
void DeleteVariable(TVarTable& table, const std::string& label);
void CopyVarTable(const TVarTable& source, TVarTable& destination);

}  // namespace veltaro
