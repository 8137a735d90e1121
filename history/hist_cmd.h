// CHistCmd: one undo or redo command. A command names its target by level and bank number
// (and the content or document it belongs to) and never owns it.
#pragma once

#include <memory>
#include <vector>

class CHistCmd {
 public:
  virtual ~CHistCmd() = default;
  // Performs the command on its target; a target level, bank or view that no longer exists
  // makes it do nothing. The result is informative only.
  virtual int Do() = 0;
};

// A chain of commands in run order, as built by a snapshot maker or an operation.
using CHistChain = std::vector<std::unique_ptr<CHistCmd>>;

template <class T, class... Args>
CHistChain MakeChain(Args&&... args) {
  CHistChain chain;
  chain.push_back(std::make_unique<T>(std::forward<Args>(args)...));
  return chain;
}

// Appends `tail` to `head` keeping both orders.
inline void AppendChain(CHistChain& head, CHistChain&& tail) {
  for (auto& c : tail) head.push_back(std::move(c));
  tail.clear();
}
