// The record, bucket and list stores: models against in-memory references,
// the bytes of the list buckets, damaged files, and failing file systems.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "TestUtil.h"
#include "database/BucketStoreMan.h"
#include "database/IntMappers.h"
#include "database/IntegerListStoreMan.h"
#include "database/RecordStoreMan.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

std::string Bucket(uint32_t next, uint32_t count, std::vector<uint32_t> values) {
  values.resize(10, 0);
  std::string s(48, '\0');
  auto *p = reinterpret_cast<uint8_t *>(s.data());
  le::PutU32(p, next);
  le::PutU32(p + 4, count);
  for (size_t k = 0; k < 10; ++k) le::PutU32(p + 8 + 4 * k, values[k]);
  return s;
}

std::string Record(int fill, uint32_t size) { return std::string(size, static_cast<char>(fill)); }

}  // namespace

TEST(IntMapper, MatchesAHashMapWithCollidingKeys) {
  std::mt19937 rng(21);
  IntMapperO m;
  m.Init();
  std::unordered_map<uint32_t, int32_t> model;
  for (int step = 0; step < 20000; ++step) {
    // Keys k, k + 1000, k + 2000 share a home slot in the original layout.
    const uint32_t key = rng() % 7 + 1000 * (rng() % 3);
    const int32_t value = static_cast<int32_t>(rng() % 100000);
    switch (rng() % 3) {
      case 0:
        m.Put(key, value);
        model[key] = value;
        break;
      case 1:
        m.Remove(key);
        model.erase(key);
        break;
      default: {
        const auto it = model.find(key);
        ASSERT_EQ(m.Get(key), it == model.end() ? -1 : it->second) << step;
      }
    }
  }
  // Remove the home key, then put a key of its chain again: one entry only.
  m.Init();
  m.Put(5, 1);
  m.Put(1005, 2);
  m.Remove(5);
  m.Put(1005, 3);
  m.Remove(1005);
  EXPECT_EQ(m.Get(1005), -1);
  EXPECT_EQ(m.Get(5), -1);
  EXPECT_EQ(m.Get(77), -1);
}

TEST(RecordStore, MatchesAVectorAcrossGrowthAndReopen) {
  TempDir d;
  constexpr uint32_t kSize = 7;
  std::mt19937 rng(7);
  std::vector<std::string> model;
  RecordStoreO rs(kSize);
  ASSERT_TRUE(rs.Open(d.File("r.bin")));
  for (int step = 0; step < 3000; ++step) {
    const int32_t n = static_cast<int32_t>(rng() % 80) + 1;
    if (rng() % 2) {
      if (model.size() < static_cast<size_t>(n)) model.resize(static_cast<size_t>(n), Record(0, kSize));
      const std::string rec = Record(static_cast<int>(rng() % 250) + 1, kSize);
      ASSERT_TRUE(rs.SetRecord(n, rec.data()));
      model[static_cast<size_t>(n - 1)] = rec;
    } else {
      // Past the end a record reads as zeros and the file keeps its size.
      std::string got(kSize, 'x');
      ASSERT_TRUE(rs.GetRecord(n, got.data()));
      ASSERT_EQ(got, static_cast<size_t>(n) <= model.size() ? model[static_cast<size_t>(n - 1)] : Record(0, kSize))
          << step;
    }
    ASSERT_EQ(rs.Count(), static_cast<int32_t>(model.size()));
    if (step % 1000 == 999) {
      rs.Close();
      ASSERT_TRUE(rs.Open(d.File("r.bin")));
    }
  }
  rs.Close();
  std::string all;
  for (const auto &r : model) all += r;
  EXPECT_EQ(d.Read("r.bin"), all);
  EXPECT_THROW(rs.GetRecord(0, nullptr), ERangeError);
}

// Reading beyond the end reads zeros and never grows the file (a number
// from a damaged file must not make it gigabytes); writing grows it with
// zero records; a torn tail is ignored on reopen, and the next record is
// written over it in its place.
TEST(RecordStore, GrowthAndTornTail) {
  TempDir d;
  RecordStoreO rs(4);
  ASSERT_TRUE(rs.Open(d.File("r.bin")));
  char buf[4] = {1, 1, 1, 1};
  ASSERT_TRUE(rs.GetRecord(3, buf));
  EXPECT_EQ(std::string(buf, 4), std::string(4, '\0'));
  EXPECT_EQ(d.Read("r.bin"), "");
  EXPECT_EQ(rs.IoCounts().writes, 0u);
  ASSERT_TRUE(rs.SetRecord(3, "0000"));
  EXPECT_EQ(d.Read("r.bin"), std::string(8, '\0') + "0000");
  ASSERT_TRUE(rs.SetRecord(3, "\0\0\0\0"));
  ASSERT_TRUE(rs.SetRecord(2, "abcd"));
  rs.Close();
  d.Write("r.bin", d.Read("r.bin") + "xy");  // a torn record
  ASSERT_TRUE(rs.Open(d.File("r.bin")));
  EXPECT_EQ(rs.Count(), 3);
  ASSERT_TRUE(rs.SetRecord(5, "efgh"));
  rs.Close();
  EXPECT_EQ(d.Read("r.bin"), std::string(4, '\0') + "abcd" + std::string(8, '\0') + "efgh");
  // Only the records written are counted.
  ASSERT_TRUE(rs.Open(d.File("r.bin")));
  rs.ResetIoCounts();
  ASSERT_TRUE(rs.SetRecord(6, "ijkl"));
  ASSERT_TRUE(rs.GetRecord(6, buf));
  EXPECT_EQ(rs.IoCounts().writes, 1u);
  EXPECT_EQ(rs.IoCounts().reads, 1u);
}

// A list store against a map of vectors: random operations, the cache
// switched on and off, more lists than the cache has slots, then a reopen.
TEST(IntegerListStore, MatchesAModelWithCacheAndEviction) {
  TempDir d;
  std::mt19937 rng(2024);
  IntegerListStoreManO ls;
  ASSERT_TRUE(ls.Open(d.File("g.gls")));
  std::map<uint32_t, std::vector<uint32_t>> model;
  std::vector<uint32_t> ids;
  for (int i = 0; i < 1300; ++i) {
    const uint32_t id = ls.NewList();
    ASSERT_NE(id, 0u);
    ids.push_back(id);
    model[id];
  }
  MessageRecorder rec;
  for (int round = 0; round < 6; ++round) {
    if (round % 2 == 1) ls.EnableCache();
    // Every list takes values at once in cache mode: more than 1000 buckets.
    for (uint32_t id : ids) {
      const int adds = static_cast<int>(rng() % 3) + 1;
      for (int k = 0; k < adds; ++k) {
        const uint32_t v = rng() % 50;
        ASSERT_TRUE(ls.Add(id, v));
        model[id].push_back(v);
      }
    }
    if (round % 2 == 1) {
      EXPECT_EQ(ls.SlotsInUse(), BucketStoreManO::kCacheSlots);
    }
    for (int step = 0; step < 6000; ++step) {
      const uint32_t id = ids[rng() % 40];  // a few lists, so they grow long
      auto &m = model[id];
      switch (rng() % 6) {
        case 0:
        case 1: {
          const uint32_t v = rng() % 50;
          ASSERT_TRUE(ls.Add(id, v));
          m.push_back(v);
          break;
        }
        case 2:
          if (!m.empty()) {
            const int32_t i = static_cast<int32_t>(rng() % m.size()) + 1;
            ASSERT_TRUE(ls.Delete(id, i));
            m.erase(m.begin() + (i - 1));
          }
          break;
        case 3:
          if (!m.empty()) {
            const int32_t i = static_cast<int32_t>(rng() % m.size()) + 1;
            ASSERT_EQ(ls.Get(id, i), m[static_cast<size_t>(i - 1)]);
          }
          break;
        case 4: {
          const uint32_t v = rng() % 50;
          const auto it = std::find(m.begin(), m.end(), v);
          ASSERT_EQ(ls.IndexOf(id, v), it == m.end() ? 0 : static_cast<int32_t>(it - m.begin()) + 1);
          break;
        }
        default:
          ASSERT_EQ(ls.Count(id), static_cast<int32_t>(m.size()));
      }
    }
    if (round % 2 == 1) {
      ASSERT_TRUE(ls.DisableCache());
    }
  }
  ls.EnableCache();  // closing in cache mode writes back too
  ls.Add(ids[0], 99);
  model[ids[0]].push_back(99);
  ls.Close();
  ASSERT_TRUE(ls.Open(d.File("g.gls")));
  for (const auto &[id, m] : model) {
    ASSERT_EQ(ls.Count(id), static_cast<int32_t>(m.size())) << id;
    for (size_t i = 0; i < m.size(); ++i) ASSERT_EQ(ls.Get(id, static_cast<int32_t>(i) + 1), m[i]);
  }
  EXPECT_TRUE(rec.messages.empty());
}

TEST(IntegerListStore, BucketBytesAndChains) {
  TempDir d;
  IntegerListStoreManO ls;
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  const uint32_t a = ls.NewList(), b = ls.NewList();
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  EXPECT_EQ(ls.Count(a), 0);
  EXPECT_EQ(ls.IndexOf(a, 0), 0);
  EXPECT_EQ(d.Read("k.kls"), Bucket(0, 0, {}) + Bucket(0, 0, {}));
  for (uint32_t v = 1; v <= 11; ++v) ASSERT_TRUE(ls.Add(a, v * 10));
  ls.Close();
  EXPECT_EQ(d.Read("k.kls"), Bucket(3, 10, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}) + Bucket(0, 0, {}) +
                                 Bucket(0, 1, {110}));
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  // Emptying the first bucket keeps it in the chain; indexes skip it.
  for (int k = 0; k < 10; ++k) ASSERT_TRUE(ls.Delete(a, 1));
  EXPECT_EQ(ls.Count(a), 1);
  EXPECT_EQ(ls.Get(a, 1), 110u);
  ASSERT_TRUE(ls.Add(a, 120));
  EXPECT_EQ(ls.Get(a, 2), 120u);
  ls.Close();
  // The freed places keep their old values, as the format has it.
  EXPECT_EQ(d.Read("k.kls").substr(0, 48), Bucket(3, 0, {100, 100, 100, 100, 100, 100, 100, 100, 100, 100}));

  // Appends in cache mode are all there after DisableCache and a reopen.
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  ls.EnableCache();
  for (uint32_t v = 1; v <= 25; ++v) ASSERT_TRUE(ls.Add(b, v));
  ASSERT_TRUE(ls.DisableCache());
  ls.Close();
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  ASSERT_EQ(ls.Count(b), 25);
  for (int32_t i = 1; i <= 25; ++i) EXPECT_EQ(ls.Get(b, i), static_cast<uint32_t>(i));
}

// An index outside the list raises before anything changes, also with a
// dirty current bucket; a looping chain ends with the read message.
TEST(IntegerListStore, BadIndexesAndLoopingChains) {
  TempDir d;
  IntegerListStoreManO ls;
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  const uint32_t a = ls.NewList();
  for (uint32_t v = 1; v <= 12; ++v) ASSERT_TRUE(ls.Add(a, v));
  ASSERT_TRUE(ls.Delete(a, 12));
  EXPECT_THROW(ls.Get(a, 12), ERangeError);
  EXPECT_THROW(ls.Delete(a, 0), ERangeError);
  EXPECT_THROW(ls.Get(a, 100), ERangeError);
  EXPECT_EQ(ls.Count(a), 11);
  EXPECT_EQ(ls.Get(a, 11), 11u);
  ls.Close();
  // Bucket 2 (the list's second) points back at the first.
  std::string bytes = d.Read("k.kls");
  bytes.replace(48, 4, std::string("\x01\0\0\0", 4));
  d.Write("k.kls", bytes);
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  MessageRecorder rec;
  EXPECT_EQ(ls.Count(a), 0);
  EXPECT_FALSE(ls.Add(a, 5));
  EXPECT_EQ(ls.Get(a, 50), 0u);
  EXPECT_EQ(rec.messages, std::vector<std::string>(3, "BucketStoreManO.GetBucket failed\n" + d.File("k.kls") +
                                                          ": the file is damaged"));
  // A count above ten is damage too, never read past the bucket.
  ls.Close();
  d.Write("k.kls", Bucket(0, 11, {}));
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  EXPECT_EQ(ls.Count(1), 0);
  EXPECT_EQ(rec.messages.size(), 4u);
}

// Outside cache mode a long run of appends to one list reads a bounded
// number of buckets per append, not the whole chain each time.
TEST(IntegerListStore, AppendsReadABoundedNumberOfBuckets) {
  TempDir d;
  IntegerListStoreManO ls;
  ASSERT_TRUE(ls.Open(d.File("g.gls")));
  const uint32_t a = ls.NewList();
  const uint32_t other = ls.NewList();
  for (uint32_t v = 0; v < 3000; ++v) ASSERT_TRUE(ls.Add(a, v));
  ls.ResetIoCounts();
  for (uint32_t v = 0; v < 1000; ++v) {
    ASSERT_TRUE(ls.Add(a, v));
    if (v % 100 == 0) {
      ASSERT_TRUE(ls.Add(other, v));
    }
  }
  EXPECT_LE(ls.IoCounts().reads, 1010u);
  EXPECT_LE(ls.IoCounts().writes, 1010u + 200u);
  // Reading a long list in order costs one read per bucket.
  ls.ResetIoCounts();
  EXPECT_EQ(ls.IndexOf(a, 999999), 0);
  EXPECT_LE(ls.IoCounts().reads, 2 * (4000u / 10 + 1));
}

TEST(BucketStore, CacheServesOneLiveCopyAndEvictsTheOldest) {
  TempDir d;
  BucketStoreManO bs(8);
  ASSERT_TRUE(bs.Open(d.File("b.bin")));
  for (int i = 1; i <= 1005; ++i) {
    const std::string b = Record(i % 200 + 1, 8);
    ASSERT_EQ(bs.AppendBucket(b.data()), static_cast<uint32_t>(i));
  }
  bs.InitCache();
  uint8_t *p = bs.GetCachedBucket(1);
  ASSERT_NE(p, nullptr);
  p[0] = 'X';
  bs.SetBucketDirty(1);
  char buf[8];
  ASSERT_TRUE(bs.GetBucket(1, buf));
  EXPECT_EQ(buf[0], 'X');  // the slot, not the file
  ASSERT_TRUE(bs.SaveBucket(1, "YYYYYYYY"));
  EXPECT_EQ(bs.GetCachedBucket(1)[0], 'Y');
  bs.ResetIoCounts();
  for (uint32_t n = 2; n <= 1001; ++n) ASSERT_NE(bs.GetCachedBucket(n), nullptr);
  // Slot 1 was the oldest: written back once, then reused.
  EXPECT_EQ(bs.SlotsInUse(), 1000);
  EXPECT_EQ(bs.IoCounts().writes, 1u);
  EXPECT_EQ(bs.IoCounts().reads, 1000u);
  EXPECT_EQ(d.Read("b.bin").substr(0, 8), "YYYYYYYY");
  ASSERT_TRUE(bs.DoneCache());
  std::string all(8 * 1005, '\0');
  ASSERT_TRUE(bs.BlockRead(all.data()));
  EXPECT_EQ(all.substr(0, 8), "YYYYYYYY");
}

// Failures: the exact message, the number only where the format has one,
// and a store that failed to open neither crashes nor writes afterwards.
TEST(Stores, OpenFailuresShowTheirMessageOnce) {
  TempDir d;
  d.Write("plain", "x");
  MessageRecorder rec;
  {
    RecordStoreO rs(4);
    EXPECT_FALSE(rs.Open(d.File("plain/r.bin")));
    EXPECT_FALSE(rs.Open(d.File("none/r.bin")));
    char buf[4] = {9, 9, 9, 9};
    EXPECT_FALSE(rs.GetRecord(2, buf));
    EXPECT_EQ(std::string(buf, 4), std::string(4, '\0'));
    EXPECT_FALSE(rs.SetRecord(1, "abcd"));
    EXPECT_EQ(rs.Count(), 0);
  }
  {
    IntegerListStoreManO ls;
    EXPECT_FALSE(ls.Open(d.File("none/k.kls")));
    EXPECT_EQ(ls.NewList(), 0u);
    EXPECT_FALSE(ls.Add(1, 5));
    EXPECT_EQ(ls.Count(1), 0);
    ls.EnableCache();
    EXPECT_FALSE(ls.Add(1, 5));
    EXPECT_TRUE(ls.DisableCache());
  }
  EXPECT_EQ(rec.FirstLines(), (std::vector<std::string>{
                              "RecordStoreO.CreateFile failed for " + d.File("plain/r.bin") + ": (20)",
                              "RecordStoreO.CreateFile failed for " + d.File("none/r.bin") + ": (2)",
                              "BucketStoreManO.CreateFile failed for data_file (2)"}));
  EXPECT_FALSE(files::Exists(d.File("none")));

  // A second open of a file in use fails with EBUSY and leaves the first.
  rec.messages.clear();
  RecordStoreO first(4), second(4);
  ASSERT_TRUE(first.Open(d.File("r.bin")));
  ASSERT_TRUE(first.SetRecord(1, "abcd"));
  EXPECT_FALSE(second.Open(d.File("r.bin")));
  BucketStoreManO third(4);
  EXPECT_FALSE(third.Open(d.File("r.bin")));
  EXPECT_EQ(rec.FirstLines(),
            (std::vector<std::string>{"RecordStoreO.OpenFile failed for " + d.File("r.bin") + ": (16)",
                                      "BucketStoreManO.OpenFile failed for data_file (16)"}));
  ASSERT_TRUE(first.SetRecord(2, "efgh"));
  first.Close();
  EXPECT_EQ(d.Read("r.bin"), "abcdefgh");

  if (::geteuid() != 0) {
    ASSERT_TRUE(files::MakeDirs(d.File("ro")));
    ::chmod(d.File("ro").c_str(), 0555);
    rec.messages.clear();
    RecordStoreO rs(4);
    EXPECT_FALSE(rs.Open(d.File("ro/r.bin")));
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"RecordStoreO.CreateFile failed for " +
                                                     d.File("ro/r.bin") + ": (13)"});
    ::chmod(d.File("ro").c_str(), 0755);
  }
}

TEST(Stores, ReadAndWriteFailuresThroughTheSeam) {
  TempDir d;
  MessageRecorder rec;
  RecordStoreO rs(4);
  ASSERT_TRUE(rs.Open(d.File("r.bin")));
  ASSERT_TRUE(rs.SetRecord(1, "abcd"));
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC, true);
    EXPECT_FALSE(rs.SetRecord(3, "wxyz"));  // the zero record 2 tears
  }
  {
    FileFault fault(FileFault::Op::Write, 2, ENOSPC, true);
    EXPECT_FALSE(rs.SetRecord(3, "wxyz"));  // record 3 itself tears
  }
  char buf[4];
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    EXPECT_FALSE(rs.GetRecord(1, buf));
  }
  const std::string path = d.File("r.bin");
  EXPECT_EQ(rec.FirstLines(), (std::vector<std::string>{"RecordStoreO.AppendIndexI failed writing file " + path,
                                                    "RecordStoreO.SetRecord failed writing file " + path,
                                                    "RecordStoreO.GetRecord failed reading file " + path}));
  // Each with a second line: the path and the system's reason in words.
  ASSERT_EQ(rec.messages.size(), 3u);
  EXPECT_EQ(rec.messages[1].substr(rec.messages[1].find('\n')), "\n" + path + ": No space left on device");
  EXPECT_EQ(rec.messages[2].substr(rec.messages[2].find('\n')), "\n" + path + ": Input/output error");
  // The torn record is written over in its place.
  ASSERT_TRUE(rs.SetRecord(3, "wxyz"));
  rs.Close();
  EXPECT_EQ(d.Read("r.bin"), std::string("abcd") + std::string(4, '\0') + "wxyz");

  rec.messages.clear();
  IntegerListStoreManO ls;
  ASSERT_TRUE(ls.Open(d.File("k.kls")));
  const uint32_t a = ls.NewList();
  for (uint32_t v = 1; v <= 10; ++v) ASSERT_TRUE(ls.Add(a, v));
  for (int nth = 1; nth <= 2; ++nth) {
    FileFault fault(FileFault::Op::Write, nth, ENOSPC);
    EXPECT_FALSE(ls.Add(a, 11));
  }
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    EXPECT_EQ(ls.Count(a), 0);
  }
  EXPECT_EQ(rec.FirstLines(), (std::vector<std::string>{"BucketStoreManO.SaveBucket failed",
                                                    "BucketStoreManO.SaveBucket failed",
                                                    "BucketStoreManO.GetBucket failed"}));
  // Neither failed append reached the list: the second left a new bucket
  // that was never linked.
  EXPECT_EQ(ls.Count(a), 10);
  ASSERT_TRUE(ls.Add(a, 11));
  ls.Close();
  EXPECT_EQ(d.Read("k.kls"),
            Bucket(3, 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) + Bucket(0, 1, {11}) + Bucket(0, 1, {11}));
}
