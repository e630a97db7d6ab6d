// Line-end conversion and the dispatch of one chunk, without a process.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/PipeReader.h"
#include "platform/UiHooks.h"

namespace {

// The model: every LF, CR LF and CR of the whole text becomes one CR.
std::string Normalised(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    out += s[i] == '\n' ? '\r' : s[i];
  }
  return out;
}

TEST(ConvertLineEnds, AnySplitOfTheOutputGivesTheLineEndsOfTheWhole) {
  std::mt19937 rng(32);
  const char alphabet[] = {'\r', '\n', 'a', 'b', '\0', '\x80', '\xff'};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = rng() % 40; n > 0; --n) text += alphabet[rng() % sizeof alphabet];
    std::string got;
    bool lastWasCR = false;
    for (size_t at = 0; at < text.size();) {
      size_t len = 1 + rng() % 5;
      std::string chunk = text.substr(at, len);
      at += chunk.size();
      int n = ConvertLineEnds(chunk.data(), static_cast<int>(chunk.size()), lastWasCR);
      got += chunk.substr(0, static_cast<size_t>(n));
    }
    ASSERT_EQ(got, Normalised(text)) << "round " << round;
  }
}

struct Call {
  std::string text;
  int error;
  int length;
};

// A reader record filled as the thread leaves it after a read.
struct Fixture {
  PipeReaderRec r;
  std::vector<Call> calls;
  std::function<void(const Call &)> onCall;

  static void Record(PipeReaderRec &, void *closure, const char *text, int error, int length) {
    auto *self = static_cast<Fixture *>(closure);
    Call c{std::string(text, static_cast<size_t>(length > 0 ? length : 0)), error, length};
    self->calls.push_back(c);
    if (self->onCall) self->onCall(c);
  }
  Fixture() {
    r.callback = Record;
    r.closure = this;
  }
  void Fill(const std::string &bytes, int lastRead, int error = 0) {
    std::copy(bytes.begin(), bytes.end(), r.buffer);
    r.count = static_cast<int>(bytes.size());
    r.buffer[r.count] = 0;
    r.lastRead = lastRead;
    r.error = error;
    r.pending = true;
  }
};

TEST(PipeReaderDispatch, DeliversCompleteLinesAndKeepsTheRestForTheNextChunk) {
  Fixture f;
  f.Fill("line1\rline2\rpar", 15);
  PipeReaderDispatch(f.r);
  ASSERT_EQ(f.calls.size(), 2u);
  EXPECT_EQ(f.calls[0].text, "line1\r");
  EXPECT_EQ(f.calls[1].text, "line2\r");
  EXPECT_EQ(f.calls[1].length, 6);
  EXPECT_EQ(std::string(f.r.buffer, static_cast<size_t>(f.r.count)), "par");
  EXPECT_FALSE(f.r.pending);

  // The end of the output: lines first, then one end call; a read error
  // carries its code.
  Fixture e;
  e.Fill("last\rtail", 0);
  PipeReaderDispatch(e.r);
  ASSERT_EQ(e.calls.size(), 2u);
  EXPECT_EQ(e.calls[0].text, "last\r");
  EXPECT_EQ(e.calls[1].length, 0);
  Fixture err;
  err.Fill("", -1, 5);
  PipeReaderDispatch(err.r);
  ASSERT_EQ(err.calls.size(), 1u);
  EXPECT_EQ(err.calls[0].length, -1);
  EXPECT_EQ(err.calls[0].error, 5);
}

// A full buffer without a line end holds a line longer than kMaxLine: its
// start goes once, without a CR, and the thread is told to drop the rest.
TEST(PipeReaderDispatch, ALineLongerThanTheLimitGoesCutOnce) {
  Fixture f;
  f.Fill(std::string(PipeReaderRec::kBufferSize - 1, 'x'), 100);
  PipeReaderDispatch(f.r);
  ASSERT_EQ(f.calls.size(), 1u);
  EXPECT_EQ(f.calls[0].length, PipeReaderRec::kMaxLine);
  EXPECT_EQ(f.r.count, 0);
  EXPECT_TRUE(f.r.dropping);
  // A line of exactly kMaxLine bytes and its CR is whole.
  Fixture g;
  g.Fill(std::string(PipeReaderRec::kMaxLine, 'x') + "\r", 100);
  PipeReaderDispatch(g.r);
  ASSERT_EQ(g.calls.size(), 1u);
  EXPECT_EQ(g.calls[0].length, PipeReaderRec::kMaxLine + 1);
  EXPECT_FALSE(g.r.dropping);
  // One byte short of full waits for its line end.
  Fixture h;
  h.Fill(std::string(PipeReaderRec::kBufferSize - 2, 'x'), 100);
  PipeReaderDispatch(h.r);
  EXPECT_TRUE(h.calls.empty());
  EXPECT_EQ(h.r.count, PipeReaderRec::kBufferSize - 2);
}

TEST(PipeReaderDispatch, AThrowingCallbackIsShownAndTheChunkGoesOn) {
  std::vector<std::string> shown;
  ui::Hooks h;
  h.showMessage = [&](const std::string &t) { shown.push_back(t); };
  ui::Hooks old = ui::InstallHooks(h);
  Fixture f;
  f.onCall = [](const Call &c) {
    if (c.text == "x\r") throw std::runtime_error("bad line");
  };
  f.Fill("x\rmove e7e5\r", 12);
  PipeReaderDispatch(f.r);
  ui::InstallHooks(std::move(old));
  ASSERT_EQ(f.calls.size(), 2u);
  EXPECT_EQ(f.calls[1].text, "move e7e5\r");
  EXPECT_EQ(shown, std::vector<std::string>{"bad line"});
  EXPECT_FALSE(f.r.pending);
}

}  // namespace
