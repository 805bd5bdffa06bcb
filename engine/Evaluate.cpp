#include "Evaluate.h"

#include <cmath>
#include <memory>

#include "Functions.h"

namespace veltaro {

namespace {

// One pending node of the walk: the node, how far its evaluation has come,
// and the value of its first operand while the second is evaluated.
// Plain members only, so the inline stack below costs nothing to set up.
struct TFrame {
  const TTermElement* node;
  std::uint8_t stage;
  double firstRe;
  double firstIm;
};

// The walk's stack. Trees up to kInline levels deep, which covers every
// term typed by hand, need no heap memory; deeper trees grow it on the heap.
class TFrameStack {
 public:
  static constexpr std::size_t kInline = 512;

  TFrame& Push(const TTermElement* node) {
    if (size_ == capacity_) Grow();
    TFrame& f = data_[size_++];
    f.node = node;
    f.stage = 0;
    f.firstRe = 0.0;
    f.firstIm = 0.0;
    return f;
  }
  void Pop() { --size_; }
  bool Empty() const { return size_ == 0; }
  TFrame& Top() { return data_[size_ - 1]; }

 private:
  void Grow() {
    const std::size_t capacity = capacity_ * 2;
    auto bigger = std::make_unique<TFrame[]>(capacity);
    for (std::size_t i = 0; i < size_; ++i) bigger[i] = data_[i];
    heap_ = std::move(bigger);
    data_ = heap_.get();
    capacity_ = capacity;
  }

  TFrame inline_[kInline];
  std::unique_ptr<TFrame[]> heap_;
  TFrame* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kInline;
};

bool IsOperator(std::uint8_t op) { return op >= opAdd && op <= opPower; }

bool ApplyOperator(std::uint8_t op, TComplex a, TComplex b, TComplex& r) {
  switch (op) {
    case opAdd: return ComplexPlainSum(a, b, r);
    case opSubtract: return ComplexPlainDifference(a, b, r);
    case opMultiply: return ComplexMultiply(a, b, r);
    case opDivide: return ComplexDivide(a, b, r);
    case opPower: return ComplexPower(a, b, r);
    default: return false;
  }
}

bool ApplyFunction(std::uint8_t op, TComplex x, TComplex& r) {
  switch (op) {
    case opSqrt: return ComplexSqrt(x, r);
    case opExp: return ComplexExp(x, r);
    case opLn: return ComplexLn(x, r);
    case opLog: return ComplexLog(x, r);
    case opSin: return ComplexSin(x, r);
    case opCos: return ComplexCos(x, r);
    case opTan: return ComplexTan(x, r);
    case opCot: return ComplexCot(x, r);
    case opRe: r = TComplex{x.re, 0.0}; return true;
    case opIm: r = TComplex{x.im, 0.0}; return true;
    case opAbs: r = TComplex{}; return StoreDouble(ComplexModulus(x), r.re);
    case opArg: r = TComplex{}; return StoreDouble(ComplexArgument(x), r.re);
    case opArcSin: return ComplexArcSin(x, r);
    case opArcCos: return ComplexArcCos(x, r);
    case opArcTan: return ComplexArcTan(x, r);
    case opArcCot: return ComplexArcCot(x, r);
    case opSinh: return ComplexSinh(x, r);
    case opCosh: return ComplexCosh(x, r);
    case opTanh: return ComplexTanh(x, r);
    case opCoth: return ComplexCoth(x, r);
    case opArSinh: return ComplexArSinh(x, r);
    case opArCosh: return ComplexArCosh(x, r);
    case opArTanh: return ComplexArTanh(x, r);
    case opArCoth: return ComplexArCoth(x, r);
    case opStep: return ComplexUnitStep(x, r);
    default: return false;
  }
}

// Records a failure where one is asked for; always false.
bool Failed(TEvaluationFailure* failure, const TTermElement* node, TComplex first, TComplex second = TComplex{}) {
  if (failure != nullptr) {
    failure->node = node;
    failure->first = first;
    failure->second = second;
  }
  return false;
}

// The walk, reporting into failure when it is not null. Only the failing
// paths look at failure, so the walk costs the same either way.
bool Evaluate(const TTermElement* node, const TVarTable& table, TComplex& r, TEvaluationFailure* failure) {
  r = TComplex{};
  TFrameStack stack;
  stack.Push(node);
  // The value of the node completed last.
  TComplex done;
  while (!stack.Empty()) {
    TFrame& f = stack.Top();
    const TTermElement* n = f.node;
    if (n == nullptr) {
      if (failure != nullptr) {
        stack.Pop();
        *failure = TEvaluationFailure{};
        failure->node = stack.Empty() ? nullptr : stack.Top().node;
        failure->missingOperand = true;
      }
      return false;
    }
    const std::uint8_t op = n->opCode;

    if (op == opLeaf) {
      if (n->leafKind == leafVariable) {
        if (!FindVariable(table, n->label, done)) return Failed(failure, n, TComplex{});
      } else {
        done = n->value;
      }
      stack.Pop();
      continue;
    }

    if (IsOperator(op) || op == opLg) {
      if (f.stage == 0) {
        f.stage = 1;
        stack.Push(n->left);
      } else if (f.stage == 1) {
        // The base of lg must have a logarithm (be nonzero) before the
        // argument is looked at.
        if (op == opLg && done.re == 0.0 && done.im == 0.0) return Failed(failure, n, done);
        f.firstRe = done.re;
        f.firstIm = done.im;
        f.stage = 2;
        stack.Push(n->right);
      } else {
        const TComplex first{f.firstRe, f.firstIm};
        const TComplex second = done;
        if (op == opLg) {
          if (!ComplexLg(first, second, done)) return Failed(failure, n, first, second);
        } else if (!ApplyOperator(op, first, second, done)) {
          return Failed(failure, n, first, second);
        }
        stack.Pop();
      }
      continue;
    }

    if (f.stage == 0) {
      f.stage = 1;
      stack.Push(n->right);
    } else {
      const TComplex argument = done;
      if (!ApplyFunction(op, argument, done)) return Failed(failure, n, argument);
      stack.Pop();
    }
  }
  r = done;
  return true;
}

}  // namespace

bool EvaluateTerm(const TTermElement* node, const TVarTable& table, TComplex& r) {
  return Evaluate(node, table, r, nullptr);
}

bool EvaluateTerm(const TTermElement* node, const TVarTable& table, TComplex& r, TEvaluationFailure& failure) {
  failure = TEvaluationFailure{};
  return Evaluate(node, table, r, &failure);
}

}  // namespace veltaro
