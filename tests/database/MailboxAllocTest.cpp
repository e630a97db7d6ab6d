// Generation must not allocate: it runs for every replayed move of a stored
// game. This file replaces the global allocation functions with counting
// ones for the whole test program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "MailboxTestUtil.h"
#include "database/QZUtils.h"

namespace {
std::atomic<long> gAllocations{0};
}

void *operator new(std::size_t n) {
  ++gAllocations;
  if (void *p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void *operator new[](std::size_t n) { return operator new(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
  ++gAllocations;
  return std::malloc(n ? n : 1);
}
void *operator new[](std::size_t n, const std::nothrow_t &t) noexcept { return operator new(n, t); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }

TEST(MailboxAlloc, GenerationAndRulesAllocateNothing) {
  MailboxPos start;
  start.SetStartPosition();
  MailboxPos kiwi = mbtest::Fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  auto gen = std::make_unique<MoveGen>();
  const long before = gAllocations.load();
  // A perft, index requests, reverse search and SAN information.
  const uint64_t nodes = mbtest::Perft(kiwi, *gen, 2);
  Move2 m;
  int index = 0;
  for (int i = 1; i <= 20; ++i) {
    start.MoveByIndex(*gen, i, m);
    start.MoveIndex(*gen, m, index);
  }
  kiwi.FindMovers(*gen, 4, 2, mbBishop);
  SanMoveRec rec;
  kiwi.SanInfo(*gen, Move2::Make(SquareNumber(5, 5), SquareNumber(6, 7)), rec);
  start.CheckState(*gen, 0);
  const long during = gAllocations.load() - before;
  EXPECT_EQ(nodes, 2039u);
  EXPECT_EQ(index, 20);
  EXPECT_EQ(during, 0);
  // The counter does count.
  auto probe = std::make_unique<int>(1);
  EXPECT_GT(gAllocations.load() - before, during);
}
