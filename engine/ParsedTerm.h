// A term parsed for one use: owns its tree and frees it whatever happens.
#pragma once

#include <string_view>

#include "Parser.h"

namespace veltaro {

class TParsedTerm {
 public:
  explicit TParsedTerm(std::string_view text) { ok_ = ParseTerm(text, tree_); }
  ~TParsedTerm() { FreeTerm(tree_); }
  TParsedTerm(const TParsedTerm&) = delete;
  TParsedTerm& operator=(const TParsedTerm&) = delete;

  bool Ok() const { return ok_; }
  const TTermElement* Tree() const { return tree_; }

 private:
  TTermElement* tree_ = nullptr;
  bool ok_ = false;
};

}  // namespace veltaro
