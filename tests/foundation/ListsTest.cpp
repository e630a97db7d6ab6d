#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "foundation/Lists.h"
#include "platform/Errors.h"

namespace {

std::vector<int> Contents(const KeyListO &l) {
  std::vector<int> v;
  for (int i = 1; i <= l.Count(); ++i) v.push_back(l.Get(i));
  return v;
}

std::vector<void *> Contents(const PtrListO &l) {
  std::vector<void *> v;
  for (int i = 1; i <= l.Count(); ++i) v.push_back(l.Get(i));
  return v;
}

int cells[200];  // distinct addresses for pointer items
void *P(int i) { return &cells[i]; }

}  // namespace

TEST(Lists, InsertDeleteAndIndexesBeyondTheCount) {
  PtrListO l;
  l.Insert(1, P(1));  // into an empty list
  EXPECT_EQ(l.Count(), 1);
  EXPECT_EQ(l.CurrentIndex(), 1);
  l.Add(P(2));
  l.Add(P(3));
  l.Insert(3 + 5, P(4));  // beyond the count appends
  EXPECT_EQ(Contents(l), (std::vector<void *>{P(1), P(2), P(3), P(4)}));
  l.Insert(2, P(5));  // the new item takes index 2, the old one moves up
  EXPECT_EQ(Contents(l), (std::vector<void *>{P(1), P(5), P(2), P(3), P(4)}));
  EXPECT_EQ(l.Get(5 + 3), P(4));  // an index above the count is the last item
  l.Put(9, P(6));
  EXPECT_EQ(l.Get(5), P(6));

  l.Delete(5);  // the last: the cursor moves to the new last item
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(l.CurrentIndex(), 4);
  l.Delete(1);  // the first: the cursor stays on index 1, now the next item
  EXPECT_EQ(l.CurrentIndex(), 1);
  EXPECT_EQ(l.Get(1), P(5));
  l.Exchange(1, 3);
  EXPECT_EQ(Contents(l), (std::vector<void *>{P(3), P(2), P(5)}));
  EXPECT_EQ(l.IndexOf(P(5)), 3);
  EXPECT_EQ(l.IndexOf(P(99)), 0);  // absent

  while (l.Count() > 0) l.Delete(1);
  EXPECT_EQ(l.CurrentIndex(), 0);
  EXPECT_EQ(l.IndexOf(P(3)), 0);
  l.Add(P(7));
  EXPECT_EQ(l.Get(1), P(7));
}

TEST(Lists, BadIndexesAndEmptyListsAreRangeErrors) {
  PtrListO l;
  EXPECT_THROW(l.Get(1), ERangeError);  // nothing to read
  EXPECT_THROW(l.Put(1, P(1)), ERangeError);
  EXPECT_THROW(l.Delete(1), ERangeError);
  EXPECT_THROW(l.Exchange(1, 1), ERangeError);
  EXPECT_THROW(l.Insert(0, P(1)), ERangeError);
  EXPECT_EQ(l.Count(), 0);

  l.Add(P(1));
  l.Add(P(2));
  for (int bad : {0, -1, 65536, 70000, 65536 + 2}) {  // 65538 would wrap to 2
    EXPECT_THROW(l.Get(bad), ERangeError) << bad;
    EXPECT_THROW(l.Put(bad, P(9)), ERangeError) << bad;
    EXPECT_THROW(l.Delete(bad), ERangeError) << bad;
    EXPECT_THROW(l.Insert(bad, P(9)), ERangeError) << bad;
    EXPECT_THROW(l.Exchange(1, bad), ERangeError) << bad;
  }
  EXPECT_EQ(Contents(l), (std::vector<void *>{P(1), P(2)}));
  EXPECT_EQ(l.Get(65535), P(2));  // the largest index is merely beyond the count

  KeyedListO k;
  EXPECT_THROW(k.GetKey(1), ERangeError);
  EXPECT_THROW(k.GetItem(1), ERangeError);
  EXPECT_EQ(k.LastFoundIndex(), 0);
  StrListO s;
  EXPECT_THROW(s.Get(1), ERangeError);
}

TEST(Lists, CursorStepsFromTheNearestKnownPoint) {
  PtrListO l;
  for (int i = 1; i <= 100; ++i) l.Add(P(i));
  l.Get(1);
  uint64_t s = l.Steps();
  for (int i = 2; i <= 100; ++i) {
    EXPECT_EQ(l.Get(i), P(i));
    EXPECT_EQ(l.Steps(), s + 1) << "one step per call at " << i;
    s = l.Steps();
  }
  auto cost = [&](int from, int to) {
    l.Get(from);
    uint64_t before = l.Steps();
    EXPECT_EQ(l.Get(to), P(to));
    EXPECT_EQ(l.CurrentIndex(), to);
    return l.Steps() - before;
  };
  EXPECT_EQ(cost(1, 100), 1u);   // jumps to the last node
  EXPECT_EQ(cost(10, 60), 41u);  // nearer the end: Last, then 40 back
  EXPECT_EQ(cost(10, 50), 40u);  // nearer the cursor: 40 forward
  EXPECT_EQ(cost(50, 30), 20u);  // back from the cursor
  EXPECT_EQ(cost(50, 10), 10u);  // nearer the start: First, then 9 forward
  EXPECT_EQ(cost(50, 49), 1u);
  EXPECT_EQ(cost(50, 50), 0u);
  // Beyond the count: Last (one jump), and the cursor stays there.
  uint64_t before = l.Steps();
  EXPECT_EQ(l.Get(300), P(100));
  EXPECT_EQ(l.CurrentIndex(), 100);
  EXPECT_EQ(l.Steps() - before, 1u);
}

// Random operations against a vector; indexes run a little past the count.
TEST(Lists, MatchesAVectorUnderRandomOperations) {
  std::mt19937 rng(12345);
  KeyListO l;
  std::vector<int> model;
  auto pick = [&](int hi) { return std::uniform_int_distribution<int>(1, hi)(rng); };
  auto clampIdx = [&](int i) { return std::min<int>(i, static_cast<int>(model.size())) - 1; };
  for (int op = 0; op < 20000; ++op) {
    int n = static_cast<int>(model.size());
    int i = pick(n + 3), j = pick(n + 3), key = pick(50);
    switch (n == 0 ? 0 : rng() % 6) {
      case 0:
        l.Insert(i, key);
        model.insert(model.begin() + std::min(i - 1, n), key);
        break;
      case 1:
        if (n > 60) {
          l.Delete(i);
          model.erase(model.begin() + clampIdx(i));
        }
        break;
      case 2:
        l.Put(i, key);
        model[clampIdx(i)] = key;
        break;
      case 3:
        ASSERT_EQ(l.Get(i), model[clampIdx(i)]);
        ASSERT_EQ(l.CurrentIndex(), clampIdx(i) + 1);
        break;
      case 4:
        l.Exchange(i, j);
        std::swap(model[clampIdx(i)], model[clampIdx(j)]);
        break;
      case 5: {
        int got = l.IndexOf(key);
        ASSERT_GE(got, 0);
        ASSERT_LE(got, n);
        if (got == 0)
          ASSERT_EQ(std::count(model.begin(), model.end(), key), 0);
        else
          ASSERT_EQ(model[got - 1], key);
        break;
      }
    }
    ASSERT_EQ(l.Count(), model.size());
  }
  EXPECT_EQ(Contents(l), model);
}

TEST(Lists, FullListsRefuseMoreAndStayIntact) {
  KeyListO k;
  PtrListO p;
  StrListO s;
  for (int i = 1; i <= 65535; ++i) {
    k.Add(i % 1000);
    p.Add(P(i % 200));
  }
  for (int i = 1; i <= 65535; ++i) s.Add("x");
  EXPECT_THROW(k.Add(1), ERangeError);
  EXPECT_THROW(k.Insert(1, 1), ERangeError);
  EXPECT_THROW(p.Add(P(0)), ERangeError);
  EXPECT_THROW(p.Insert(1, P(0)), ERangeError);
  EXPECT_THROW(s.Add("y"), ERangeError);
  EXPECT_THROW(s.Insert(1, "y"), ERangeError);
  EXPECT_EQ(k.Count(), 65535);
  EXPECT_EQ(k.Get(1), 1);
  EXPECT_EQ(k.Get(65535), 535);
  EXPECT_EQ(p.Count(), 65535);
  EXPECT_EQ(p.Get(1), P(1));
  EXPECT_EQ(s.Count(), 65535);
  EXPECT_EQ(s.IndexOf("y"), 0);
  // Deleting makes room again.
  p.Delete(65535);
  p.Add(P(7));
  EXPECT_EQ(p.Get(65535), P(7));
}

TEST(Lists, KeyLookupCache) {
  KeyListO l;
  l.Add(7);
  l.Add(9);
  EXPECT_EQ(l.IndexOf(9), 2);
  EXPECT_EQ(l.IndexOf(5), 0);
  l.Put(2, 5);
  EXPECT_EQ(l.IndexOf(9), 0);  // the cache was cleared

  // A read beyond the count caches the index it reached, never one past it.
  l.Put(2, 9);
  EXPECT_EQ(l.Get(5), 9);
  EXPECT_EQ(l.LastFoundIndex(), 2);
  EXPECT_EQ(l.IndexOf(9), 2);

  // Every change clears the cache.
  EXPECT_EQ(l.IndexOf(7), 1);
  l.Exchange(1, 2);
  EXPECT_EQ(l.IndexOf(7), 2);
  l.Delete(1);
  EXPECT_EQ(l.IndexOf(7), 1);
  l.Insert(1, 3);
  EXPECT_EQ(l.IndexOf(7), 2);
  l.Add(8);
  EXPECT_EQ(l.LastFoundIndex(), 0);

  // A key held twice answers the index last read when that read filled the
  // cache, else its first index.
  KeyListO d;
  for (int key : {4, 6, 4}) d.Add(key);
  EXPECT_EQ(d.IndexOf(4), 1);
  d.Get(3);
  EXPECT_EQ(d.IndexOf(4), 3);
  d.Get(2);
  EXPECT_EQ(d.IndexOf(4), 1);

  // Key 0 is never answered from the cache.
  KeyListO z;
  for (int key : {0, 5, 0}) z.Add(key);
  z.Get(3);
  EXPECT_EQ(z.IndexOf(0), 1);

  EXPECT_THROW(z.IndexOf(65536), ERangeError);
  EXPECT_THROW(z.Add(-1), ERangeError);
  EXPECT_THROW(z.Put(1, 70000), ERangeError);
  EXPECT_EQ(Contents(z), (std::vector<int>{0, 5, 0}));
}

TEST(Lists, KeyedItemsAndAssign) {
  KeyedListO k;
  k.Add(10, -5);
  k.Add(20, INT32_MAX);
  k.Insert(1, 30, INT32_MIN);
  EXPECT_EQ(k.GetItem(1), INT32_MIN);
  EXPECT_EQ(k.GetItem(2), -5);
  k.Exchange(1, 3);
  EXPECT_EQ(k.GetKey(1), 20);
  EXPECT_EQ(k.GetItem(1), INT32_MAX);
  EXPECT_EQ(k.GetKey(3), 30);
  EXPECT_EQ(k.GetItem(3), INT32_MIN);
  EXPECT_EQ(k.IndexOfKey(10), 2);

  KeyListO a, b;
  for (int key : {3, 1, 2}) a.Add(key);
  b.Add(99);
  b.Assign(a);
  EXPECT_EQ(Contents(b), (std::vector<int>{3, 1, 2}));
  b.Assign(b);
  EXPECT_EQ(Contents(b), (std::vector<int>{3, 1, 2}));
  a.Put(1, 5);
  EXPECT_EQ(b.Get(1), 3);  // a copy
}

TEST(Lists, StringsAreOwnedCopiesAndPointersAreNot) {
  StrListO s;
  std::string src = "abc";
  s.Add(src);
  src = "changed";
  s.Add("ABC");
  s.Insert(1, "first");
  EXPECT_EQ(s.Get(2), "abc");
  EXPECT_EQ(s.IndexOf("ABC"), 3);
  EXPECT_EQ(s.IndexOf("Abc"), 0);  // exact and case-sensitive
  s.Clear();                       // frees every cell (the sanitizer build checks)
  EXPECT_EQ(s.Count(), 0);
  s.Add("again");
  StrListO moved(std::move(s));
  EXPECT_EQ(moved.Get(1), "again");
  EXPECT_EQ(s.Count(), 0);  // NOLINT: a moved-from list is empty and usable
  s.Add("x");
  moved = std::move(s);
  EXPECT_EQ(moved.Get(1), "x");

  // The list never frees what its items point to.
  int owned = 42;
  PtrListT<int> p;
  p.Add(&owned);
  EXPECT_EQ(*p.Get(1), 42);
  p.Delete(1);
  p.Add(&owned);
  p.Clear();
  EXPECT_EQ(owned, 42);
}
