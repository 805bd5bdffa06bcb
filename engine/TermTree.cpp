#include "TermTree.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace veltaro {

void FreeTerm(TTermElement*& tree) {
  // Rotates every left child up until the current node has none, then
  // releases the node and goes on with its right child. Each rotation moves
  // one node from the left spine to the right, so the whole tree is released
  // in linear time, with no recursion and no extra memory.
  TTermElement* node = tree;
  tree = nullptr;
  while (node != nullptr) {
    if (node->left != nullptr) {
      TTermElement* child = node->left;
      node->left = child->right;
      child->right = node;
      node = child;
    } else {
      TTermElement* next = node->right;
      delete node;
      node = next;
    }
  }
}

void CollectVariableLabels(const TTermElement* tree, TStringArray& labels) {
  if (tree == nullptr) return;
  // The labels already held, for a quick test of whether a label is new; the
  // array keeps the order.
  std::unordered_set<std::string> known(labels.begin(), labels.end());
  // Pre-order walk, left before right, so labels come in the order in which
  // they are written in the term.
  std::vector<const TTermElement*> pending{tree};
  while (!pending.empty()) {
    const TTermElement* node = pending.back();
    pending.pop_back();
    if (node->opCode != opLeaf) {
      if (node->right != nullptr) pending.push_back(node->right);
      if (node->left != nullptr) pending.push_back(node->left);
    } else if (node->leafKind == leafVariable) {
      if (known.insert(node->label).second) labels.push_back(node->label);
    }
  }
}

}  // namespace veltaro
