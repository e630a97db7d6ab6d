// Name indexes: ids keep their texts, lookups follow the case rules of the
// recent table, the sorted file and the unsorted tail, the sorted file
// equals a reference of the batches and merges, and failures keep the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/IndexMan.h"
#include "database/StrTables.h"
#include "platform/Bytes.h"
#include "platform/Win1252.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

using Ids = std::vector<uint32_t>;

std::string IdBytes(const Ids &ids) {
  std::string s(ids.size() * 4, '\0');
  for (size_t i = 0; i < ids.size(); ++i) le::PutU32(reinterpret_cast<uint8_t *>(s.data()) + 4 * i, ids[i]);
  return s;
}

// The sorting of the format, written plainly: stable batches of 2500, each
// merged with the run before it, newer ids first among equal texts.
struct Reference {
  std::vector<std::string> names;  // id - 1
  Ids sorted;

  const std::string &Text(uint32_t id) const { return names[id - 1]; }
  Ids Merge(const Ids &newer, const Ids &older) const {
    Ids out;
    size_t n = 0;
    for (uint32_t o : older) {
      while (n < newer.size() && win1252::CompareText(Text(newer[n]), Text(o)) <= 0)
        out.push_back(newer[n++]);
      out.push_back(o);
    }
    out.insert(out.end(), newer.begin() + static_cast<long>(n), newer.end());
    return out;
  }
  Ids Sort(uint32_t first, uint32_t last) const {
    Ids run;
    for (uint32_t f = first; f <= last; f += 2500) {
      Ids batch;
      for (uint32_t id = f; id <= std::min(last, f + 2499); ++id) batch.push_back(id);
      std::stable_sort(batch.begin(), batch.end(),
                       [&](uint32_t a, uint32_t b) { return win1252::CompareText(Text(a), Text(b)) < 0; });
      run = Merge(batch, run);
    }
    return run;
  }
  void Update() {
    const auto count = static_cast<uint32_t>(names.size());
    sorted = sorted.empty() ? Sort(1, count)
                            : Merge(Sort(static_cast<uint32_t>(sorted.size()) + 1, count), sorted);
  }
};

}  // namespace

TEST(StringTable, SortedCaseBlindLookup) {
  StringTableO t;
  t.Init();
  t.Insert("Meier", 1);
  t.Insert("\xC9mile", 2);  // Émile
  t.Insert("abel", 3);
  EXPECT_EQ(t.Find("ABEL"), 3u);
  EXPECT_EQ(t.Find("\xE9MILE"), 2u);  // éMILE
  EXPECT_EQ(t.Find("Meyer"), 0u);
  for (uint32_t i = 4; t.HasRoom(); ++i) t.Insert("n" + std::to_string(i), i);
  EXPECT_EQ(t.Count(), 3000);
  EXPECT_EQ(t.Find("N2999"), 2999u);
  t.Clear();
  EXPECT_EQ(t.Find("abel"), 0u);
}

// A random stream of names, repeats, case variants and over-long names, in
// and out of bulk mode: every answer is an id whose text equals the name up
// to case, a name is added exactly when the lookup rules miss it, the sorted
// file equals the reference, and a reopen keeps every text.
TEST(NameIndex, MatchesTheReferenceOverARandomStream) {
  TempDir d;
  std::mt19937 rng(23);
  std::vector<std::string> pool;
  const std::string letters = "abcdeABCDE\xE9\xC9\xF6\xD6 ";
  for (int i = 0; i < 7000; ++i) {
    std::string s;
    const size_t len = rng() % 8 + 2;
    for (size_t k = 0; k < len; ++k) s += letters[rng() % letters.size()];
    pool.push_back(s);
  }
  for (int i = 0; i < 5; ++i) pool.push_back(std::string(1100 + i, 'x') + std::to_string(i));

  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("t.pli")));
  Reference ref;
  bool bulk = false;
  int32_t recent = 0;
  auto cut = [](const std::string &s) { return s.substr(0, 1025); };
  // A sorted name found alone is the one Find gives; among several it
  // picks one (unique stays 0).
  uint32_t unique = 0;
  auto predictFound = [&](const std::string &name) {
    const auto count = static_cast<int32_t>(ref.names.size());
    unique = 0;
    for (int32_t id = count - recent + 1; bulk && id <= count; ++id)
      if (win1252::SameText(ref.names[static_cast<size_t>(id - 1)], name)) return true;
    int alike = 0;
    for (uint32_t id : ref.sorted)
      if (win1252::SameText(ref.Text(id), name) && ++alike == 1) unique = id;
    if (alike != 1) unique = 0;
    if (alike > 0) return true;
    for (int32_t id = static_cast<int32_t>(ref.sorted.size()) + 1; id <= count - recent; ++id)
      if (ref.names[static_cast<size_t>(id - 1)] == name) return true;
    return false;
  };
  MessageRecorder rec;
  // Bulk runs of 3500 names, 400 outside bulk mode between them.
  for (int step = 0; step < 15600; ++step) {
    if (step % 3900 == 0 || step % 3900 == 3500) {
      bulk = !bulk;
      if (bulk) {
        idx.BeginBulkAdd();
      } else {
        ASSERT_TRUE(idx.EndBulkAdd());
        recent = 0;
        if (ref.names.size() - ref.sorted.size() > 100) ref.Update();
        ASSERT_EQ(d.Read("t.pls"), IdBytes(ref.sorted)) << step;
      }
    }
    std::string name = pool[rng() % pool.size()];
    if (rng() % 4 == 0) name = win1252::UpperCase(name);
    const std::string stored = cut(name);
    const bool found = predictFound(stored);
    const uint32_t id = idx.FindOrAdd(name);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(win1252::SameText(idx.GetText(id), stored)) << step;
    if (found) {
      ASSERT_LE(id, ref.names.size()) << step;
      if (unique != 0) {
        ASSERT_EQ(id, unique) << step;
      }
      continue;
    }
    ASSERT_EQ(id, ref.names.size() + 1) << step;
    ref.names.push_back(stored);
    if (bulk) {
      if (recent < 3000) {
        ++recent;
      } else {
        recent = 0;
        if (ref.names.size() - ref.sorted.size() > 100) ref.Update();
      }
    }
  }
  ASSERT_TRUE(idx.EndBulkAdd());
  if (ref.names.size() - ref.sorted.size() > 100) ref.Update();
  EXPECT_GT(ref.names.size(), 5001u);
  EXPECT_EQ(d.Read("t.pls"), IdBytes(ref.sorted));
  // A whole new sort of every id.
  ASSERT_TRUE(idx.BuildSortedIndex());
  ref.sorted.clear();
  ref.Update();
  EXPECT_EQ(d.Read("t.pls"), IdBytes(ref.sorted));
  EXPECT_EQ(idx.TotalSize(),
            static_cast<int64_t>(d.Read("t.pld").size() + d.Read("t.pli").size() + d.Read("t.pls").size()));
  idx.Close();
  ASSERT_TRUE(idx.Open(d.File("t.pli")));
  ASSERT_EQ(idx.Count(), static_cast<int32_t>(ref.names.size()));
  for (uint32_t id = 1; id <= ref.names.size(); ++id) ASSERT_EQ(idx.GetText(id), ref.Text(id));
  EXPECT_TRUE(rec.messages.empty());
}

// A tail of several sort batches merged into held sorted names: names
// equal up to case across the batch bounds and with the sorted ones keep
// the order of the plain batches and merges.
TEST(NameIndex, HeldMergeOfAManyBatchTailKeepsTheReferenceOrder) {
  TempDir d;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("h.pli")));
  Reference ref;
  auto add = [&](const std::string &name) {
    ASSERT_EQ(idx.Add(name), ref.names.size() + 1);
    ref.names.push_back(name);
  };
  for (int i = 0; i < 300; ++i) add("n" + std::to_string(i % 150));
  ASSERT_TRUE(idx.UpdateSortedIndex());
  ref.Update();
  ASSERT_EQ(d.Read("h.pls"), IdBytes(ref.sorted));
  EXPECT_NE(idx.Find("N7"), 0u);  // holds the names in memory
  // 6,000 names outside bulk runs: the tail compares exactly, so each
  // text comes back in other cases in later batches.
  for (int i = 0; i < 6000; ++i) {
    std::string name = "n" + std::to_string(i % 900);
    if (i / 900 % 2 == 1) name = win1252::UpperCase(name);
    add(name);
  }
  ASSERT_TRUE(idx.UpdateSortedIndex());
  ref.Update();
  EXPECT_EQ(d.Read("h.pls"), IdBytes(ref.sorted));
  // The held ids after the merge are the file's.
  for (int32_t i = 1; i <= idx.SortedCount(); i += 97) EXPECT_EQ(idx.GetSortedIndex(i), ref.sorted[i - 1]);
}

TEST(NameIndex, LookupRulesAndBulkThresholds) {
  TempDir d;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("db.esi")));
  for (const char *f : {"db.esd", "db.esi", "db.ess"}) EXPECT_EQ(d.Read(f), "") << f;
  EXPECT_EQ(idx.Find("Linz"), 0u);
  EXPECT_EQ(idx.FindOrAdd("Linz"), 1u);
  EXPECT_EQ(idx.FindOrAdd("Linz"), 1u);
  EXPECT_EQ(idx.FindOrAdd("LINZ"), 2u);  // the first is in the unsorted tail
  EXPECT_EQ(d.Read("db.esd"), std::string("\x04\0\0\0Linz\x04\0\0\0LINZ", 16));
  EXPECT_EQ(d.Read("db.esi"), std::string("\0\0\0\0\x08\0\0\0", 8));

  // 100 new names stay unsorted; the 101st makes EndBulkAdd merge them.
  idx.BeginBulkAdd();
  for (int i = 0; i < 98; ++i) idx.FindOrAdd("name" + std::to_string(i));
  ASSERT_TRUE(idx.EndBulkAdd());
  EXPECT_EQ(idx.SortedCount(), 0);
  idx.BeginBulkAdd();
  idx.FindOrAdd("name98");
  EXPECT_EQ(idx.FindOrAdd("NAME98"), 101u);  // recent names are found up to case
  ASSERT_TRUE(idx.EndBulkAdd());
  EXPECT_EQ(idx.SortedCount(), 101);
  EXPECT_EQ(d.Read("db.ess").size(), 101u * 4);
  // Sorted names are found up to case. Equal texts keep their id order
  // within a batch; a merge puts the newer ids first.
  EXPECT_EQ(idx.FindOrAdd("name5"), idx.FindOrAdd("NAME5"));
  EXPECT_EQ(idx.Count(), 101);
  EXPECT_EQ(idx.GetSortedIndex(1), 1u);
  EXPECT_EQ(idx.GetSortedIndex(2), 2u);
  idx.BeginBulkAdd();
  EXPECT_EQ(idx.Add("linz"), 102u);
  for (int i = 0; i < 100; ++i) idx.Add("zz" + std::to_string(i));
  ASSERT_TRUE(idx.EndBulkAdd());
  EXPECT_EQ(idx.SortedCount(), 202);
  EXPECT_EQ(idx.GetSortedIndex(1), 102u);
  EXPECT_EQ(idx.GetSortedIndex(2), 1u);
  EXPECT_EQ(idx.GetSortedIndex(3), 2u);
  // Over-long names are cut alike when added and when looked up.
  const uint32_t longId = idx.FindOrAdd(std::string(3000, 'q'));
  EXPECT_EQ(idx.FindOrAdd(std::string(2000, 'q')), longId);
  EXPECT_EQ(idx.GetText(longId), std::string(1025, 'q'));
}

TEST(NameIndex, PrefixSearchWalksAccentedNamesInOrder) {
  TempDir d;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("p.pli")));
  const std::vector<std::string> names = {"\xE9tienne", "Eva",    "\xC9mile", "Zoe",
                                          "\xC9MILIE",  "\xE8ve", "Emil"};
  for (const auto &n : names) idx.FindOrAdd(n);
  std::vector<std::string> got;
  for (uint32_t id = idx.FindFirst("\xC9m", mmPrefix); id != 0; id = idx.FindNext())
    got.push_back(idx.GetText(id));
  // Unsorted names were merged first; É folds with é, not with E or è.
  EXPECT_EQ(idx.SortedCount(), 7);
  EXPECT_EQ(got, (std::vector<std::string>{"\xC9mile", "\xC9MILIE"}));
  got.clear();
  for (uint32_t id = idx.FindFirst("e", mmPrefix); id != 0; id = idx.FindNext())
    got.push_back(idx.GetText(id));
  EXPECT_EQ(got, (std::vector<std::string>{"Emil", "Eva"}));
  EXPECT_EQ(idx.FindFirst("x", mmPrefix), 0u);
  EXPECT_EQ(idx.FindNext(), 0u);
  // Other kinds walk the ids in order.
  got.clear();
  for (uint32_t id = idx.FindFirst("mil", mmContains); id != 0; id = idx.FindNext())
    got.push_back(idx.GetText(id));
  EXPECT_EQ(got, (std::vector<std::string>{"\xC9mile", "\xC9MILIE", "Emil"}));
}

TEST(NameIndex, DamagedFilesReadAsErrorsWithoutLargeAllocations) {
  TempDir d;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("a.ani")));
  idx.FindOrAdd("one");
  idx.FindOrAdd("two");
  idx.Close();
  // A torn index entry is ignored and written over by the next name.
  d.Write("a.ani", d.Read("a.ani") + "\x01\x02");
  ASSERT_TRUE(idx.Open(d.File("a.ani")));
  EXPECT_EQ(idx.Count(), 2);
  EXPECT_EQ(idx.FindOrAdd("three"), 3u);
  EXPECT_EQ(idx.GetText(3), "three");
  EXPECT_EQ(d.Read("a.ani").size(), 12u);
  idx.Close();
  // A length of almost 4 GiB, an offset past the end, a sorted id past the count.
  std::string data = d.Read("a.and");
  data.replace(0, 4, std::string("\xF0\xFF\xFF\xFF", 4));
  d.Write("a.and", data);
  std::string index = d.Read("a.ani");
  index.replace(4, 4, std::string("\0\0\0\x10", 4));
  d.Write("a.ani", index);
  d.Write("a.ans", IdBytes({1, 9}));
  MessageRecorder rec;
  ASSERT_TRUE(idx.Open(d.File("a.ani")));
  EXPECT_EQ(idx.GetText(1), "");
  EXPECT_EQ(idx.GetText(2), "");
  EXPECT_EQ(idx.GetText(4), "");
  EXPECT_EQ(idx.GetText(3), "three");
  EXPECT_EQ(idx.GetSortedIndex(2), 0u);
  // A long name's text is read after its length.
  const uint32_t longId = idx.Add(std::string(200, 'L'));
  {
    FileFault fault(FileFault::Op::Read, 3, EIO);
    EXPECT_EQ(idx.GetText(longId), "");
  }
  EXPECT_EQ(idx.GetText(longId), std::string(200, 'L'));
  EXPECT_EQ(rec.FirstLines(),
            (std::vector<std::string>{"IndexStoreO.GetText failed reading data_file data.size",
                                      "IndexStoreO.GetText failed reading data_file data.size",
                                      "IndexStoreO.GetText failed reading index_file",
                                      "IndexStoreO.GetSortedIndex failed reading sorted_file",
                                      "IndexStoreO.GetText failed reading games_file data"}));
  // A sorted id past the count, a sorted file that cannot be read: the
  // file and the reason.
  EXPECT_EQ(rec.messages[3], "IndexStoreO.GetSortedIndex failed reading sorted_file\n" + d.File("a.ans") +
                                 ": the file is damaged");
  rec.messages.clear();
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    EXPECT_EQ(idx.GetSortedIndex(1), 0u);
  }
  EXPECT_EQ(rec.messages, std::vector<std::string>{"IndexStoreO.GetSortedIndex failed reading sorted_file\n" +
                                                   d.File("a.ans") + ": Input/output error"});
}

// A length within the limit that reaches past the data file is refused by
// its own check, before the text is read (a short read would refuse it too,
// with another message).
TEST(NameIndex, LengthPastTheDataFileIsRefusedBeforeReading) {
  TempDir d;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("a.ani")));
  idx.FindOrAdd("one");
  idx.FindOrAdd(std::string(100, 'x'));
  idx.Close();
  std::string data = d.Read("a.and");
  data.replace(7, 4, std::string("\xE8\x03\0\0", 4));  // the second name: 1,000 characters
  d.Write("a.and", data);
  ASSERT_TRUE(idx.Open(d.File("a.ani")));
  MessageRecorder rec;
  int reads = 0;
  {
    FileFault probe(FileFault::Op::Read, 1 << 30, 0);
    EXPECT_EQ(idx.GetText(2), "");
    reads = probe.Seen();
  }
  EXPECT_EQ(reads, 2);  // the index entry, the length with the first bytes
  EXPECT_EQ(rec.messages,
            std::vector<std::string>{"IndexStoreO.GetText failed reading data_file data.size\n" +
                                     d.File("a.and") + ": the file is damaged"});
  EXPECT_EQ(idx.GetText(1), "one");
}

TEST(NameIndex, OpenFailuresAndASecondOpen) {
  TempDir d;
  d.Write("plain", "x");
  MessageRecorder rec;
  IndexManO idx;
  EXPECT_FALSE(idx.Open(d.File("plain/x.pli")));
  EXPECT_FALSE(idx.Open(d.File("none/x.pli")));
  {
    FileFault fault(FileFault::Op::Open, 2, EMFILE);
    EXPECT_FALSE(idx.Open(d.File("x.pli")));
  }
  {
    FileFault fault(FileFault::Op::Open, 3, EMFILE);
    EXPECT_FALSE(idx.Open(d.File("x.pli")));
  }
  EXPECT_EQ(idx.FindOrAdd("name"), 0u);
  EXPECT_EQ(idx.Find("name"), 0u);
  EXPECT_EQ(idx.GetText(1), "");
  EXPECT_EQ(idx.FindFirst("n", mmPrefix), 0u);
  EXPECT_FALSE(idx.BuildSortedIndex());
  EXPECT_EQ(rec.FirstLines(), (std::vector<std::string>{"IndexStoreO.CreateFile failed for data_file (20)",
                                                        "IndexStoreO.CreateFile failed for data_file (2)",
                                                        "IndexStoreO.Create failed for index_file (24)",
                                                        "IndexStoreO.Create failed for sorter_file (24)"}));
  EXPECT_EQ(d.Read("x.pld"), "");

  rec.messages.clear();
  IndexManO first, second;
  ASSERT_TRUE(first.Open(d.File("x.pli")));
  EXPECT_EQ(first.FindOrAdd("kept"), 1u);
  EXPECT_FALSE(second.Open(d.File("x.pli")));
  EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"IndexStoreO.OpenFile failed for data_file (16)"});
  EXPECT_EQ(first.FindOrAdd("more"), 2u);
  EXPECT_EQ(first.GetText(1), "kept");
}

// Sorting: run files are fresh, unique and private to the sort, a failed
// sort leaves the old sorted file as it was, and nothing is left behind.
TEST(NameIndex, SortScratchFilesAndFailedSorts) {
  TempDir d, scratch;
  const char *oldTmp = std::getenv("TMPDIR");
  const std::string savedTmp = oldTmp ? oldTmp : "";
  ::setenv("TMPDIR", scratch.Path().c_str(), 1);
  scratch.Write("tvsortAAAAAA", IdBytes({1, 1, 1, 1}));
  scratch.Write("sorta.dat", IdBytes({2, 2}));
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("s.pli")));
  Reference ref;
  std::mt19937 rng(5);
  idx.BeginBulkAdd();
  for (int i = 0; i < 2700; ++i) {
    ref.names.push_back("n" + std::to_string(rng() % 100000));
    idx.Add(ref.names.back());
  }
  ASSERT_TRUE(idx.EndBulkAdd());
  ref.Update();
  const std::string sorted = d.Read("s.pls");
  EXPECT_EQ(sorted, IdBytes(ref.sorted));
  for (int i = 0; i < 200; ++i) idx.Add("m" + std::to_string(i));
  {
    MessageRecorder rec;
    // Fails the one write of the merged file (the tail fits one batch).
    FileFault fault(FileFault::Op::Write, 2, ENOSPC, true);
    EXPECT_FALSE(idx.UpdateSortedIndex());
    EXPECT_TRUE(fault.Fired());
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"IndexStoreO.Create failed for sorter_file (28)"});
  }
  EXPECT_EQ(d.Read("s.pls"), sorted);
  EXPECT_EQ(idx.SortedCount(), 2700);
  {
    MessageRecorder rec;
    FileFault fault(FileFault::Op::Flush, 1, EIO);
    EXPECT_FALSE(idx.BuildSortedIndex());
  }
  EXPECT_EQ(d.Read("s.pls"), sorted);
  EXPECT_EQ(files::ListFiles(scratch.Path(), "*"), (std::vector<std::string>{"sorta.dat", "tvsortAAAAAA"}));
  EXPECT_EQ(files::ListFiles(d.Path(), "*"), (std::vector<std::string>{"s.pld", "s.pli", "s.pls"}));
  ASSERT_TRUE(idx.UpdateSortedIndex());
  EXPECT_EQ(idx.SortedCount(), 2900);
  EXPECT_EQ(files::ListFiles(scratch.Path(), "*").size(), 2u);
  // A sorted file lost elsewhere comes back empty: every id is the tail.
  idx.Close();
  files::Delete(d.File("s.pls"));
  ASSERT_TRUE(idx.Open(d.File("s.pli")));
  EXPECT_EQ(idx.SortedCount(), 0);
  EXPECT_EQ(idx.Find("m7"), 2708u);
  if (oldTmp)
    ::setenv("TMPDIR", savedTmp.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

// Lookups read the names from memory once one was looked up; the copy
// follows every write, a failed one included, and a damaged set is read
// from the files as before.
TEST(NameIndex, HeldNamesStayInStepWithTheFiles) {
  TempDir d;
  MessageRecorder rec;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("h.pli")));
  for (const char *n : {"Ann", "Bob", "Cy"}) idx.FindOrAdd(n);
  EXPECT_EQ(idx.Find("Bob"), 2u);
  {
    // The text lands, its index entry does not: the next name writes over it.
    FileFault fault(FileFault::Op::Write, 2, EIO);
    EXPECT_EQ(idx.Add("Dee"), 0u);
  }
  EXPECT_EQ(idx.FindOrAdd("Eve"), 4u);
  EXPECT_EQ(idx.GetText(4), "Eve");
  EXPECT_EQ(idx.Find("Dee"), 0u);
  idx.BeginBulkAdd();
  for (int i = 0; i < 3200; ++i) idx.FindOrAdd("n" + std::to_string(i));
  ASSERT_TRUE(idx.EndBulkAdd());
  EXPECT_EQ(idx.Find("N17"), 22u);  // found up to case in the new sorted file
  EXPECT_EQ(idx.Find("Eve"), 4u);
  std::vector<std::string> held;
  for (uint32_t id = 1; id <= 3204; ++id) held.push_back(idx.GetText(id));
  idx.Close();
  ASSERT_TRUE(idx.Open(d.File("h.pli")));
  for (uint32_t id = 1; id <= 3204; ++id) ASSERT_EQ(idx.GetText(id), held[id - 1]) << id;
  EXPECT_EQ(rec.messages.size(), 1u);
  idx.Close();

  // A damaged first record: the others are still found, each failed read tells.
  std::string data = d.Read("h.pld");
  data.replace(0, 4, std::string("\xF0\xFF\xFF\xFF", 4));
  d.Write("h.pld", data);
  ASSERT_TRUE(idx.Open(d.File("h.pli")));
  EXPECT_EQ(idx.Find("Eve"), 4u);
  EXPECT_EQ(idx.Find("n3199"), 3204u);
  EXPECT_EQ(idx.GetText(1), "");
  EXPECT_EQ(rec.FirstLines().back(), "IndexStoreO.GetText failed reading data_file data.size");
}

TEST(NameIndex, Utf8NamesKeepTheirOwnLettersAndOldOrdersAreRebuilt) {
  TempDir d;
  const std::string ursula = "\xc3\x9arsula", ersula = "\xc3\x8arsula";
  uint32_t u = 0, e = 0;
  {
    IndexManO idx;
    ASSERT_TRUE(idx.Open(d.File("n.pli")));
    idx.BeginBulkAdd();
    u = idx.FindOrAdd(ursula);
    e = idx.FindOrAdd(ersula);
    for (int i = 0; i < 150; ++i) idx.FindOrAdd("p" + std::to_string(i));
    ASSERT_TRUE(idx.EndBulkAdd());
    ASSERT_EQ(idx.SortedCount(), 152);
    EXPECT_NE(u, e);
    EXPECT_EQ(idx.Find(ursula), u);
    EXPECT_EQ(idx.Find("\xc3\x9aRSULA"), u);
    EXPECT_EQ(idx.Find(ersula), e);
    std::vector<uint32_t> got;
    for (uint32_t id = idx.FindFirst("\xc3\x9a", mmPrefix); id != 0; id = idx.FindNext()) got.push_back(id);
    EXPECT_EQ(got, (std::vector<uint32_t>{u}));
  }
  // A file sorted by the former fold (both names alike, so "\xc3\x9a" in
  // its old place after "p...") is put in order once, when the open's
  // checks are done (SortAnewIfDamaged), without a word.
  const std::string ordered = d.Read("n.pls");
  std::vector<uint32_t> old;
  for (uint32_t id = 3; id <= 152; ++id) old.push_back(id);
  old.push_back(e);
  old.push_back(u);
  {
    std::string bytes = IdBytes(old);
    // Sanity: that order is wrong for the current fold.
    ASSERT_NE(bytes, ordered);
    std::ofstream(d.File("n.pls"), std::ios::binary | std::ios::trunc) << bytes;
  }
  {
    IndexManO idx;
    ASSERT_TRUE(idx.Open(d.File("n.pli")));
    MessageRecorder rec;
    EXPECT_TRUE(idx.SortAnewIfDamaged());
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(d.Read("n.pls"), ordered);
    EXPECT_EQ(idx.Find(ursula), u);
    EXPECT_EQ(idx.Find(ersula), e);
  }
  // A Windows-1252 file is never checked: its old order stays as it is.
  {
    IndexManO idx;
    ASSERT_TRUE(idx.Open(d.File("w.pli")));
    for (const char *n : {"b", "\xe9", "a"}) idx.FindOrAdd(n);
  }
  std::ofstream(d.File("w.pls"), std::ios::binary | std::ios::trunc) << IdBytes({1, 2, 3});
  {
    IndexManO idx;
    ASSERT_TRUE(idx.Open(d.File("w.pli")));
    EXPECT_TRUE(idx.SortAnewIfDamaged());
    EXPECT_EQ(d.Read("w.pls"), IdBytes({1, 2, 3}));
  }
}

TEST(NameIndex, LongUtf8NamesAreCutBeforeACharacter) {
  TempDir d;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("c.pli")));
  // 1,024 bytes of ASCII, then a two-byte character across the 1,025-byte cut.
  const std::string name = std::string(1024, 'a') + "\xc5\x91" + "b";
  const uint32_t id = idx.FindOrAdd(name);
  EXPECT_EQ(idx.GetText(id), std::string(1024, 'a'));
  EXPECT_EQ(idx.FindOrAdd(name), id);
  // Windows-1252 text is cut at the byte as before.
  const std::string w = std::string(1024, 'c') + "\xf6\xf6";
  EXPECT_EQ(idx.GetText(idx.FindOrAdd(w)), std::string(1024, 'c') + "\xf6");
}

// UTF-8 names fold by character. An index an earlier build wrote holds its
// sorted ids in the order of the ASCII-only fold and may hold two names the
// new fold makes one: the order is put right at open without a word, both
// names stay, a lookup takes the first stored and a prefix search finds both.
TEST(NameIndex, Utf8FoldPutsOldOrdersRightAndKeepsNamesThatNowFoldAlike) {
  TempDir d;
  const std::string upper = "\xc3\x85NGSTR\xc3\x96M", lower = "\xc3\xa5ngstr\xc3\xb6m";  // angstrom
  const std::string names[] = {upper,          "\xc3\x96lund",
                               "\xc3\xb6gren", "\xc3\x85ngstr\xc3\xb6m",
                               "Berg",         "\xd0\x9f\xd0\xb5\xd1\x82\xd1\x80\xd0\xbe\xd0\xb2"};  // Petrov
  {
    IndexManO idx;
    ASSERT_TRUE(idx.Open(d.File("n.pli")));
    for (const std::string &n : names) ASSERT_NE(idx.Add(n), 0u);
  }
  // The old fold's order: "Berg", the two angstroms apart, "\xc3\x96lund"
  // before "\xc3\xb6gren", Petrov.
  std::ofstream(d.File("n.pls"), std::ios::binary | std::ios::trunc) << IdBytes({5, 1, 4, 2, 3, 6});
  MessageRecorder rec;
  IndexManO idx;
  ASSERT_TRUE(idx.Open(d.File("n.pli")));
  EXPECT_TRUE(idx.SortAnewIfDamaged());
  EXPECT_TRUE(rec.messages.empty());
  std::vector<std::string> order;
  for (int32_t i = 1; i <= idx.SortedCount(); ++i) order.push_back(idx.GetSortedText(i));
  ASSERT_EQ(order.size(), 6u);
  EXPECT_EQ(order[0], "Berg");
  EXPECT_EQ(win1252::CompareText(order[1], order[2]), 0);
  EXPECT_EQ(order[3], "\xc3\xb6gren");
  EXPECT_EQ(order[4], "\xc3\x96lund");
  for (const std::string &variant : {lower, upper, std::string("\xc3\x85ngstr\xc3\xb6m")})
    EXPECT_EQ(idx.FindOrAdd(variant), 1u) << variant;
  EXPECT_EQ(idx.Find("\xc3\xb6LUND"), 2u);
  EXPECT_EQ(idx.Find("\xd0\xbf\xd0\x95\xd0\xa2\xd0\xa0\xd0\x9e\xd0\x92"), 6u);
  EXPECT_EQ(idx.Count(), 6);
  Ids found;
  for (uint32_t id = idx.FindFirst(lower.substr(0, 4), mmPrefix); id != 0; id = idx.FindNext())
    found.push_back(id);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (Ids{1, 4}));
}
