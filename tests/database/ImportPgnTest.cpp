// Importing PGN files: the same result whatever the block size, the error
// log byte for byte, the log's flags, and files that cannot be opened.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "database/PGNFileMan.h"
#include "database/QZParser.h"
#include "foundation/CommonText.h"
#include "foundation/Reports.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {

using testutil::MessageRecorder;

// Runs in a scratch program directory, so the log lands there.
class ImportPgn : public ::testing::Test {
 protected:
  ImportPgn() : guard_(dir_.Path()) {}
  ~ImportPgn() override { CloseImportFile(); }

  struct Outcome {
    PGNImportResult result;
    std::vector<std::vector<uint8_t>> games;
    std::vector<std::string> report;
    std::string log;
    int64_t lastRead = -1;  // bytes read at the last progress call
  };

  Outcome Import(const std::string &file, size_t block = kPGNBlockSize, bool keepOpen = false,
                 bool append = false, int cancelAtProgress = -1,
                 std::optional<win1252::TextEncoding> textTo = std::nullopt) {
    Outcome o;
    ReportO report;
    report.Init();
    bool cancel = false;
    o.result = ImportPGNFile(
        file, cancel, encIndexed, &report, keepOpen, append,
        [&](const GameBuffer &g, bool &) { o.games.emplace_back(g.bytes.get(), g.bytes.get() + g.length); },
        [&](int64_t read, int64_t, bool &c, int games) {
          o.lastRead = read;
          if (cancelAtProgress >= 0 && games >= cancelAtProgress) c = true;
        },
        block, textTo);
    o.report = report.Lines();
    files::ReadAll(ImportLogPath(), o.log);
    return o;
  }

  testutil::TempDir dir_;
  testutil::AppDirGuard guard_;
};

// Games of every kind, faulty ones and stray text between them.
const char kMixed[] =
    "% a file comment\r\n"
    "{before any game [not a tag]}\r\n"
    "[Event \"Comments\"]\r\n[Site \"Here\"]\r\n[Result \"1/2-1/2\"]\r\n\r\n"
    "{start} 1. d4 {A solid\r\nstart} d5 ; line comment\r\n2. c4 $14 e6 3. Nc3 {last} 1/2-1/2\r\n\r\n"
    "[Event \"Signs and nesting\"]\r\n[Result \"*\"]\r\n\r\n"
    "1. e4! e5? 2. Nf3!! (2. f4 exf4 (2... d5 3. exd5) 3. Nf3) 2... Nc6?! 3. Bb5!? a6 4. Ba4 Nf6 5. 0-0 Be7 "
    "6. Re1 b5 7. Bb3 0-0 *\r\n\r\n"
    "[Event \"Faulty\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Ke3 Nc6 1-0\r\n\r\n"
    "1-0 stray text 1. d4 *\r\n\r\n"
    "[Event \"Set-up\"]\r\n[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\r\n[Result "
    "\"0-1\"]\r\n\r\n"
    "30... Kd7 31. e4 Ke6 32. Ke2 0-1\r\n\r\n"
    "[Bad.tag \"x\"]\r\n1. e4 *\r\n"
    "[Event \"Unmatched\"]\r\n1. e4 ) *\r\n"
    "[Event \"Last\"]\r\n1. c4 e5 2. Nc3 Nf6 3. g3 d5 4. cxd5 Nxd5 5. Bg2 Nb6 1-0\r\n";

}  // namespace

TEST_F(ImportPgn, SameGamesLogReportAndAnswerForEveryBlockSize) {
  dir_.Write("mixed.pgn", kMixed);
  const std::string file = dir_.File("mixed.pgn");
  const Outcome ref = Import(file);
  EXPECT_TRUE(ref.result.opened);
  EXPECT_TRUE(ref.result.Complete());
  EXPECT_EQ(ref.result.games, 4);
  // Faulty, the stray "1-0" and the stray moves after it, Bad.tag, Unmatched.
  EXPECT_EQ(ref.result.errors, 5);
  EXPECT_TRUE(ref.result.commentsOutside);
  EXPECT_EQ(ref.games.size(), 4u);
  ASSERT_EQ(ref.report.size(), 1u);
  EXPECT_EQ(ref.report[0], file + ": " + std::to_string(sizeof(kMixed) - 1) + " bytes 4 games, 5 errors.");
  EXPECT_EQ(ref.log.find("\r\n%File: " + file + "\r\n"), 0u);
  for (const char *m : {"\r\n%illegal move: Ke3\r\n%Ke3%\r\n", "\r\n%error\r\n%.%\r\n",
                        "\r\n%not in subvar\r\n%)%\r\n", "\r\n%text outside a game\r\n%1-0%\r\n\r\n%text outside a game\r\n%stray%\r\n text 1. d4 *\r\n"})
    EXPECT_NE(ref.log.find(m), std::string::npos) << m;
  for (size_t block : {1, 2, 7, 10000}) {
    const Outcome o = Import(file, block);
    EXPECT_EQ(o.games, ref.games) << block;
    EXPECT_EQ(o.log, ref.log) << block;
    EXPECT_EQ(o.report, ref.report) << block;
    EXPECT_EQ(o.result.games, ref.result.games);
    EXPECT_EQ(o.result.errors, ref.result.errors);
    EXPECT_TRUE(o.result.Complete());
  }
  // The same games as the string road.
  GameBuffer single;
  ASSERT_TRUE(ParseGameTextToBlob(std::string(kMixed).substr(0, std::string(kMixed).find("[Event \"Signs")),
                                  encIndexed, single));
  EXPECT_EQ(ref.games[0], std::vector<uint8_t>(single.bytes.get(), single.bytes.get() + single.length));
}

TEST_F(ImportPgn, LogHoldsTheFaultyGameByteForByteAndImportsAgain) {
  const std::string good = "[Event \"Good\"]\r\n[Result \"*\"]\r\n\r\n1. e4 e5 *\r\n\r\n";
  const std::string bad = "[Event \"Bad\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Ke3 Nf6 3. Ke2 1-0\r\n";
  dir_.Write("x.pgn", good + bad);
  // The bad token straddles the boundary of the blocks.
  const size_t token = good.size() + bad.find("Ke3");
  const size_t block = token + 2;

  // The report names the file as given.
  const std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir_.Path().c_str()), 0);
  const Outcome o = Import("x.pgn", block);
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(o.games.size(), 1u);
  ASSERT_EQ(o.report.size(), 1u);
  EXPECT_EQ(o.report[0], "x.pgn: " + std::to_string(good.size() + bad.size()) + " bytes 1 games, 1 errors.");
  const size_t at = bad.find("Ke3");
  EXPECT_EQ(o.log, "\r\n%File: x.pgn\r\n" + bad.substr(0, at) + "\r\n%illegal move: Ke3\r\n%Ke3%\r\n" +
                       bad.substr(at + 3));

  // Imported again the log meets the same game, refused again, and nothing else.
  dir_.Write("again.pgn", o.log);
  const Outcome again = Import(dir_.File("again.pgn"), 5);
  EXPECT_TRUE(again.games.empty());
  EXPECT_EQ(again.result.errors, 1);
  EXPECT_EQ(again.log.find("\r\n%File: " + dir_.File("again.pgn") + "\r\n" + bad.substr(0, at)), 0u);
}

TEST_F(ImportPgn, LogKeptOpenAppendedOrMadeAnew) {
  dir_.Write("a.pgn", "[Event \"a\"] 1. Ke2 *\n");
  dir_.Write("b.pgn", "[Event \"b\"] 1. e4 ) *\n");
  Import(dir_.File("a.pgn"), kPGNBlockSize, true);
  EXPECT_TRUE(ImportLogIsOpen());
  const Outcome both = Import(dir_.File("b.pgn"), kPGNBlockSize, false);
  EXPECT_FALSE(ImportLogIsOpen());
  EXPECT_NE(both.log.find("%File: " + dir_.File("a.pgn")), std::string::npos);
  EXPECT_NE(both.log.find("%File: " + dir_.File("b.pgn")), std::string::npos);
  // Closed, the log is made anew, or appended to with the flag.
  const Outcome fresh = Import(dir_.File("a.pgn"));
  EXPECT_EQ(fresh.log.find("%File: " + dir_.File("b.pgn")), std::string::npos);
  const Outcome appended = Import(dir_.File("b.pgn"), kPGNBlockSize, false, true);
  EXPECT_EQ(appended.log, fresh.log + both.log.substr(both.log.find("\r\n%File: " + dir_.File("b.pgn"))));
  // A file without errors leaves an empty log.
  dir_.Write("c.pgn", "[Event \"c\"] 1. e4 *\n");
  EXPECT_EQ(Import(dir_.File("c.pgn")).log, "");
}

// A refused "FEN" tag is logged with the reason the game reader gives
// (pasting the game shows the same), its tag as the faulty text.
TEST_F(ImportPgn, ARefusedFenTagIsLoggedWithItsReason) {
  const std::string castling = "[FEN \"4k3/8/8/8/8/8/8/4K3 w K - 0 1\"]";
  const std::string kings = "[FEN \"8/8/8/8/8/8/8/4K3 w - - 0 1\"]";
  dir_.Write("fen.pgn", "[Event \"a\"]\r\n" + castling + "\r\n\r\n1. Kd2 *\r\n\r\n[Event \"b\"]\r\n" + kings +
                            "\r\n\r\n1. Kd2 *\r\n");
  const Outcome o = Import(dir_.File("fen.pgn"));
  EXPECT_EQ(o.result.errors, 2);
  for (const std::string &tag : {castling, kings}) {
    GameO game;
    ParseResultT pasted;
    ASSERT_FALSE(game.ReadFromString(tag + "\r\n\r\n1. Kd2 *", LangEnglish, pasted));
    ASSERT_NE(pasted.message.find(CommonText::S_FenTagImpossible.substr(0, 20)), std::string::npos);
    EXPECT_NE(o.log.find("\r\n%" + pasted.message + "\r\n%" + tag + "%\r\n"), std::string::npos)
        << pasted.message << "\n"
        << o.log;
  }
}

TEST_F(ImportPgn, CancelStopsAfterTheCurrentGame) {
  std::string text;
  for (int i = 0; i < 120; ++i) text += "[Event \"" + std::to_string(i) + "\"] 1. e4 e5 *\n";
  dir_.Write("many.pgn", text);
  const Outcome o = Import(dir_.File("many.pgn"), 100, false, false, 50);
  EXPECT_TRUE(o.result.cancelled);
  EXPECT_FALSE(o.result.Complete());
  EXPECT_EQ(o.result.games, 50);
  EXPECT_EQ(o.games.size(), 50u);
  // The report's line as for a whole file, and a line that says how far
  // the import came.
  ASSERT_EQ(o.report.size(), 2u);
  EXPECT_NE(o.report[0].find(" 50 games, 0 errors."), std::string::npos);
  EXPECT_GT(o.lastRead, 0);
  EXPECT_LT(o.lastRead, static_cast<int64_t>(text.size()));
  EXPECT_EQ(o.report[1], "The import was cancelled after " + std::to_string(o.lastRead) + " of " +
                             std::to_string(text.size()) + " bytes.");
  // A whole import says nothing of a cancel.
  EXPECT_EQ(Import(dir_.File("many.pgn")).report.size(), 1u);
}

TEST_F(ImportPgn, FilesThatCannotBeOpened) {
  dir_.Write("plain.txt", "x");
  const std::string captionFile = CommonText::S_CouldNotReadPGNFile;
  for (const std::string &path : {dir_.File("missing.pgn"), dir_.File("plain.txt/below.pgn"), dir_.Path()}) {
    MessageRecorder rec;
    const Outcome o = Import(path);
    EXPECT_FALSE(o.result.opened) << path;
    EXPECT_EQ(o.result.games, 0);
    EXPECT_TRUE(o.report.empty()) << path;
    ASSERT_EQ(rec.messages.size(), 1u) << path;
    std::string expected = captionFile;
    expected.replace(expected.find("%s"), 2, path);
    // The file and the system's reason follow on a second line.
    EXPECT_EQ(rec.messages[0].rfind(expected + "\n" + path + ": ", 0), 0u) << rec.messages[0];
    EXPECT_FALSE(files::Exists(ImportLogPath())) << "the log is not touched";
  }
  // A log that cannot be written: one message, the import goes on.
  ASSERT_TRUE(files::MakeDirs(ImportLogPath()));
  dir_.Write("g.pgn", "[Event \"a\"] 1. e4 *\n[Event \"b\"] 1. Ke2 *\n[Event \"c\"] 1. d4 *\n");
  MessageRecorder rec;
  const Outcome o = Import(dir_.File("g.pgn"));
  EXPECT_TRUE(o.result.Complete());
  EXPECT_EQ(o.result.games, 2);
  EXPECT_EQ(o.result.errors, 1);
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_NE(rec.messages[0].find(ImportLogPath()), std::string::npos);
  EXPECT_FALSE(ImportLogIsOpen());
  ASSERT_EQ(o.report.size(), 1u);

  bool cancel = false;
  EXPECT_THROW(ImportPGNFile(dir_.File("g.pgn"), cancel, 3, nullptr, false, false, nullptr, nullptr),
               ERangeError);
  EXPECT_THROW(ImportPGNFile(dir_.File("g.pgn"), cancel, 0, nullptr, false, false, nullptr, nullptr, 0),
               ERangeError);
}

// Property: an import converting into an encoding reads the games a plain
// import of the file converted beforehand reads, for any block size, with
// pieces of either encoding (and a faulty game) anywhere.
TEST_F(ImportPgn, ConvertingImportReadsTheConvertedFile) {
  using win1252::TextEncoding;
  std::mt19937 rng(61);
  const char *texts[] = {"a", " ", "M\xfcller", "B\xc3\xb6hm", "Benk\xc5\x91", "\xd0\x96\xd1\x83\xd0\xba",
                         "caf\xe9", "x"};
  auto text = [&] {
    std::string t;
    for (int k = 1 + rng() % 4; k > 0; --k) t += texts[rng() % 8];
    return t;
  };
  for (int round = 0; round < 12; ++round) {
    std::string pgn;
    for (int g = 0; g < 6; ++g) {
      pgn += "[Event \"E\"]\r\n[White \"" + text() + "\"]\r\n[Black \"B\"]\r\n[Result \"*\"]\r\n\r\n";
      pgn += g == 3 ? "1. e4 e4 *\r\n\r\n" : "1. e4 {" + text() + "\r\n" + text() + "} e5 ; " + text() + "\r\n2. Nf3 *\r\n\r\n";
    }
    dir_.Write("src.pgn", pgn);
    for (const TextEncoding to : {TextEncoding::Utf8, TextEncoding::Win1252}) {
      std::string converted;
      win1252::ForEachPiece(pgn, [&](std::string_view p) { converted += win1252::ToEncoding(std::string(p), to); });
      dir_.Write("ref.pgn", converted);
      const Outcome ref = Import(dir_.File("ref.pgn"));
      ASSERT_EQ(ref.games.size(), 5u);
      for (const size_t block : {size_t{7}, size_t{64}, size_t{1000}, kPGNBlockSize}) {
        const Outcome got = Import(dir_.File("src.pgn"), block, false, false, -1, to);
        ASSERT_EQ(got.games, ref.games) << "round " << round << " block " << block;
        EXPECT_EQ(got.result.errors, 1);
        EXPECT_EQ(got.result.textKind, win1252::Classify(pgn));
      }
    }
  }
}
