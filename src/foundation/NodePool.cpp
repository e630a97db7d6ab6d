#include "foundation/NodePool.h"

#include <new>

NodePoolO::NodePoolO(std::size_t blockSize, std::size_t maxHeld)
    : blockSize_(blockSize < sizeof(Link) ? sizeof(Link) : blockSize), maxHeld_(maxHeld) {}

NodePoolO::~NodePoolO() {
  while (head_) {
    Link *next = head_->next;
    ::operator delete(head_);
    head_ = next;
  }
}

void *NodePoolO::Acquire() {
  if (!head_) return ::operator new(blockSize_);
  Link *block = head_;
  head_ = block->next;
  --held_;
  return block;
}

void NodePoolO::Release(void *block) noexcept {
  if (!block) return;
  if (held_ >= maxHeld_) {
    ::operator delete(block);
    return;
  }
  Link *link = static_cast<Link *>(block);
  link->next = head_;
  head_ = link;
  ++held_;
}
