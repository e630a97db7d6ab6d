#pragma once
// Helpers shared by the tests of the database object.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/KeyTreeMan.h"
#include "foundation/comDlgAbort.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"

// Every file of the folder with its bytes: what a refused or a quiet open
// must leave as it was.
inline std::map<std::string, std::string> Snapshot(const testutil::TempDir &dir) {
  std::map<std::string, std::string> m;
  for (const auto &e : std::filesystem::directory_iterator(dir.Path())) {
    std::string s;
    files::ReadAll(e.path().string(), s);
    m[e.path().filename().string()] = s;
  }
  return m;
}

// Calls Cancel on the dialog at the k-th message-queue run.
class CancelAfter {
 public:
  CancelAfter(AbortDlgO &dlg, int k) {
    ui::Hooks h = ui::CurrentHooks();
    h.showMessage = [](const std::string &) {};
    h.processMessages = [&dlg, k, this] {
      if (++runs_ == k) dlg.Cancel();
    };
    old_ = ui::InstallHooks(h);
  }
  ~CancelAfter() { ui::InstallHooks(old_); }

 private:
  int runs_ = 0;
  ui::Hooks old_;
};

// A cancel dialog whose window records the progress texts.
struct RecordingProgress {
  struct Form : AbortFormI {
    std::vector<std::string> *log = nullptr;
    void ShowForm() override {}
    void HideForm() override {}
    void SetFormCaption(const std::string &) override {}
    void SetFormMessage(const std::string &t) override { log->push_back(t); }
  };
  std::vector<std::string> messages;
  AbortDlgO::FormFactory old;
  AbortDlgO dlg;
  RecordingProgress() {
    old = AbortDlgO::InstallFormFactory([this](AbortDlgO &) {
      auto f = std::make_unique<Form>();
      f->log = &messages;
      return f;
    });
    dlg.Init();
  }
  ~RecordingProgress() { AbortDlgO::InstallFormFactory(old); }
};

// Every node's total as stored, then as RecountAll computes it.
inline std::pair<std::vector<uint32_t>, std::vector<uint32_t>> Totals(KeyTreeO &t) {
  auto read = [&] {
    std::vector<uint32_t> v;
    for (uint32_t n = 1; n <= t.NodeCount(); ++n) {
      t.SetCurrentNode(n);
      v.push_back(t.TotalGameCount());
    }
    return v;
  };
  auto stored = read();
  EXPECT_TRUE(t.RecountAll());
  return {stored, read()};
}

// In the games file gad of db, game n's first move byte becomes an index no
// position has: the game reads but does not render.
inline void SpoilMoves(DatabaseO &db, const std::string &gad, int32_t n) {
  GameBuffer buf;
  ASSERT_TRUE(db.GetGameBuffer(n, buf));
  std::string bytes;
  ASSERT_TRUE(files::ReadAll(gad, bytes));
  const size_t at = bytes.find(std::string(reinterpret_cast<const char *>(buf.bytes.get()), buf.length));
  ASSERT_NE(at, std::string::npos);
  std::fstream f(gad, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(at + QZGameManagerO::kHeaderSize)).put(static_cast<char>(250));
  f.close();
  ASSERT_TRUE(db.GetGameBuffer(n, buf));
  ASSERT_EQ(db.GetPgnText(n, 0, true, false), "");
}
