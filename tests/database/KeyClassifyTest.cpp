// Opening keys: classifying game objects and packed games alike, the key
// text format, the shipped default set and making a set from the defaults.
#include <gtest/gtest.h>
#include <pthread.h>

#include <sstream>

#include "TestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "database/KeyTreeMan.h"
#include "database/QZParser.h"
#include "foundation/LangMan.h"
#include "platform/Errors.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

// The position after the SAN moves ("1. e4 c5 2. Nf3") from the start, or
// from a FEN.
bool Play(const std::string &line, PositionO &p, const std::string &fen = "") {
  if (fen.empty())
    p.Reset();
  else if (!p.SetFEN(fen))
    return false;
  p.SetLanguage(LangEnglish);
  std::istringstream in(line);
  std::string t;
  while (in >> t) {
    if (t.back() == '.') continue;
    MoveRec m;
    if (!p.InterpretMove(t, m)) return false;
    p.MakeMove(m);
  }
  return true;
}

// Adds a child of the root named name with the position after the line.
uint32_t Key(KeyTreeO &t, const std::string &name, const std::string &line, const std::string &fen = "") {
  t.GoRoot();
  const uint32_t k = t.AddChild();
  t.SetCurrentNode(k);
  EXPECT_TRUE(t.SetName(name));
  PositionO p;
  EXPECT_TRUE(Play(line, p, fen)) << line;
  EXPECT_TRUE(t.AddPosition(p));
  t.GoRoot();
  return k;
}

std::string Pgn(const std::string &moves, const std::string &fen = "") {
  std::string tags = "[Result \"*\"]";
  if (!fen.empty()) tags += "[SetUp \"1\"][FEN \"" + fen + "\"]";
  return tags + "\n\n" + moves + " *\n";
}

// Every key below the current node, depth first, one line each: depth,
// name, code, positions with their names.
void Describe(KeyTreeO &t, std::vector<std::string> &out, int depth = 0) {
  const uint32_t here = t.CurrentNode();
  const int children = t.ChildCount();
  for (int i = 1; i <= children; ++i) {
    t.SetCurrentNode(here);
    ASSERT_TRUE(t.GoChild(i));
    std::string s = std::to_string(depth) + "|" + t.GetName() + "|" + t.GetCode();
    for (int j = 1; j <= t.PositionCount(); ++j) {
      PositionO p;
      ASSERT_TRUE(t.GetPosition(j, p));
      s += "|" + p.GetFEN() + "=" + t.GetPositionName(j);
    }
    out.push_back(s);
    Describe(t, out, depth + 1);
  }
  t.SetCurrentNode(here);
}

std::vector<std::string> Describe(KeyTreeO &t) {
  std::vector<std::string> out;
  t.GoRoot();
  Describe(t, out);
  return out;
}

std::vector<std::string> DescribeFile(const std::string &key) {
  KeyTreeO t;
  EXPECT_TRUE(t.Open(key));
  return Describe(t);
}

int Count(const std::string &text, const std::string &what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(KeyClassify, GameObjectsAndPackedGamesFileTheSamePositionUnderTheSameKey) {
  TempDir dir;
  KeyTreeO t;
  ASSERT_TRUE(t.Open(dir.File("db.key")));
  const uint32_t start = Key(t, "Start", "");
  // Right after a double step, with and without an enemy pawn beside it.
  const uint32_t beside = Key(t, "Beside", "1. e4 d5 2. e5 f5");
  const uint32_t alone = Key(t, "Alone", "1. d4");
  const uint32_t captured = Key(t, "Taken en passant", "1. e4 d5 2. e5 f5 3. exf6");
  const uint32_t castled = Key(t, "Castled", "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O");
  const std::string setUp = "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
  struct Case {
    std::string text;
    uint32_t key;
    int ply;
  };
  const Case cases[] = {
      {Pgn("1. e4 d5 2. e5 f5 3. Nf3 (3. exf6 {en passant} Nxf6) 3... Nc6 $1 {developing}"), beside, 5},
      {Pgn("1. e4 d5 2. e5 f5 3. exf6"), captured, 6},
      {Pgn("1. d4 {quiet} d5 (1... Nf6 2. c4) 2. c4"), alone, 2},
      {Pgn("1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O Nf6 5. d3"), castled, 8},
      // Set up just before castling: the start of the game counts as ply 1.
      {Pgn("4. O-O Nf6 5. Re1", setUp), castled, 2},
      {Pgn("1. c4 c5 2. Nc3"), start, 1},
      // No keyed position at all.
      {Pgn("1... e6 2. d4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"), 0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    GameO g;
    ParseResultT r;
    ASSERT_TRUE(g.ReadFromString(c.text, LangEnglish, r)) << r.message;
    GameBuffer buf;
    ASSERT_TRUE(ParseGameText(c.text, encIndexed, buf));
    g.GoToStart();
    ASSERT_GT(g.ChildCount(), 0);
    ASSERT_TRUE(g.GoForward(1));
    PosRec *const at = g.CurrentNode();
    int ply = -1, packedPly = -1;
    EXPECT_EQ(t.ClassifyLine(g, true, ply), c.key);
    EXPECT_EQ(ply, c.ply);
    EXPECT_EQ(g.CurrentNode(), at);  // restored
    EXPECT_EQ(t.ClassifyGame(buf, true, packedPly), c.key);
    EXPECT_EQ(packedPly, c.ply);
    // Two-byte moves give the same.
    ASSERT_TRUE(ParseGameText(c.text, encFromTo, buf));
    EXPECT_EQ(t.ClassifyGame(buf, true, packedPly), c.key);
  }

  // The end of the main line is the chain of main-line children, not the
  // selected ones.
  GameO g;
  ParseResultT r;
  ASSERT_TRUE(g.ReadFromString(cases[0].text, LangEnglish, r));
  g.GoToStart();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(g.GoForward(1));
  g.SetSelectedChild(2);  // the variation 3. exf6, which leads to a key
  int ply = 0;
  EXPECT_EQ(t.ClassifyLine(g, true, ply), beside);
  EXPECT_EQ(ply, 5);
  // Without fromEnd: from the current position (after 2. e5) backwards.
  ASSERT_TRUE(g.GoBack());
  EXPECT_EQ(t.ClassifyLine(g, false, ply), start);
  EXPECT_EQ(ply, 1);
  // From the start only, and a block the player refuses.
  GameBuffer buf;
  ASSERT_TRUE(ParseGameText(cases[0].text, encIndexed, buf));
  EXPECT_EQ(t.ClassifyGame(buf, false, ply), start);
  buf.bytes[17] = 200;
  EXPECT_EQ(t.ClassifyGame(buf, true, ply), 0u);
  EXPECT_EQ(ply, 0);
  PositionO p;
  ASSERT_TRUE(Play("1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O", p));
  EXPECT_EQ(t.KeyOfBoard(p), castled);
  ASSERT_TRUE(Play("1. e4", p));
  EXPECT_EQ(t.KeyOfBoard(p), 0u);
}

TEST(KeyClassify, KeyTextRoundTripsWithItsAwkwardLines) {
  TempDir dir;
  KeyTreeO t;
  ASSERT_TRUE(t.Open(dir.File("a.key")));
  // A first child named like a position line, a name with quotes, codes,
  // positions with names, and three levels.
  const uint32_t k1 = Key(t, "Queen's Pawn", "1. d4 d5 2. Nf3");
  Key(t, "The \"Hedgehog\" \\ set-up", "1. c4 c5 2. Nf3 Nf6 3. g3 b6");
  t.SetCurrentNode(k1);
  ASSERT_TRUE(t.SetCode("PL"));
  ASSERT_TRUE(t.SetPositionName(1, "1. d4 d5 2. Nf3 \"quiet\""));
  const uint32_t k11 = t.AddChild();
  t.SetCurrentNode(k11);
  ASSERT_TRUE(t.SetName("Positional Line"));
  PositionO p;
  ASSERT_TRUE(Play("1. d4 d5 2. Nf3 Nf6 3. Bf4", p));
  ASSERT_TRUE(t.AddPosition(p));
  ASSERT_TRUE(Play("1. d4 d5 2. Nf3 Nf6 3. e3", p));
  ASSERT_TRUE(t.AddPosition(p));
  const uint32_t k111 = t.AddChild();
  t.SetCurrentNode(k111);
  ASSERT_TRUE(t.SetName("Deep \\"));
  ASSERT_TRUE(t.SetCode("PL1a"));
  const std::vector<std::string> before = Describe(t);
  ASSERT_EQ(before.size(), 4u);
  ASSERT_TRUE(t.ExportText(dir.File("keys.txt")));
  const std::string text = dir.Read("keys.txt");
  EXPECT_EQ(text.rfind("[Name=\"Queen's Pawn\"\r\n Code=\"PL\"\r\n Pos=(\"", 0), 0u);
  EXPECT_NE(text.find("\")\r\n  [Name=\"Positional Line\"\r\n   Code=\"\"\r\n   Pos=(\""), std::string::npos);
  EXPECT_NE(text.find("[Name=\"The \\\"Hedgehog\\\" \\\\ set-up\""), std::string::npos);
  EXPECT_NE(text.find("[Name=\"Deep \\\\\"\r\n"), std::string::npos) << "a name ending in a backslash";
  // CR LF, LF and CR read alike.
  std::string lf, cr;
  for (char c : text)
    if (c != '\r') lf += c;
  for (char c : text)
    if (c != '\n') cr += c;
  dir.Write("lf.txt", lf);
  dir.Write("cr.txt", cr);
  for (const char *file : {"keys.txt", "lf.txt", "cr.txt"}) {
    const std::string key = dir.File(std::string(file) + ".key");
    ASSERT_EQ(KeyTreeO::ImportTextFile(key, dir.File(file)), 0) << file;
    EXPECT_EQ(DescribeFile(key), before) << file;
  }

  // Hand-written lines: "Pos =(", a FEN the reader refuses (skipped and
  // counted, the key kept), a board no key can hold, and a blank line.
  dir.Write("hand.txt",
            "[Name=\"Hand\"\n Code=\"H\"\n Pos =(\"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\", "
            "\"1. e4\")\n Pos=(\"not a fen\", \"x\")\n"
            " Pos=(\"QQQQQQQQ/QQQQQQQQ/QQQQQQQQ/QQQQQQQQ/8/8/8/K6k w - - 0 1\", \"too many\")\n"
            "  [Name=\"Child\"\n   Code=\"\"\n  ]\n]\n[Name=\"Sec\\ond\"\n Code=\"2\"\n]\n\n[Name=\"After a blank\"\n");
  const std::string hand = dir.File("hand.key");
  EXPECT_EQ(KeyTreeO::ImportTextFile(hand, dir.File("hand.txt")), 2);
  const std::vector<std::string> imported = DescribeFile(hand);
  ASSERT_EQ(imported.size(), 3u);
  EXPECT_EQ(imported[0], "0|Hand|H|rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1=1. e4");
  EXPECT_EQ(imported[1], "1|Child|");
  EXPECT_EQ(imported[2], "0|Sec\\ond|2") << "a backslash before another character stays";
  // A file that cannot be read imports nothing.
  KeyTreeO u;
  ASSERT_TRUE(u.Open(dir.File("u.key")));
  EXPECT_EQ(u.ImportText(dir.File("missing.txt")), -1);
  EXPECT_EQ(u.NodeCount(), 1u);
}

TEST(KeyClassify, DeepTextsNeedNoDeepStack) {
  TempDir dir;
  // 20,000 levels, without indentation.
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "[Name=\"k" + std::to_string(i) + "\"\n Code=\"\"\n";
  for (int i = 0; i < 20000; ++i) deep += "]\n";
  dir.Write("deep.txt", deep);
  {
    KeyTreeO t;
    ASSERT_TRUE(t.Open(dir.File("deep.key")));
    ASSERT_EQ(t.ImportText(dir.File("deep.txt")), 0);
    EXPECT_EQ(t.NodeCount(), 20001u);
    t.SetCurrentNode(20001);
    EXPECT_EQ(t.GetName(), "k19999");
    ASSERT_TRUE(t.GoParent());
    EXPECT_EQ(t.GetName(), "k19998");
  }
  // 3,000 levels exported on a thread with a 128 KiB stack.
  std::string wide;
  for (int i = 0; i < 3000; ++i) wide += "[Name=\"level " + std::to_string(i) + "\"\n Code=\"c\"\n";
  for (int i = 0; i < 3000; ++i) wide += "]\n";
  dir.Write("wide.txt", wide);
  const std::string a = dir.File("a.key"), out = dir.File("a.txt");
  ASSERT_EQ(KeyTreeO::ImportTextFile(a, dir.File("wide.txt")), 0);
  struct Job {
    std::string key, file;
    bool ok = false;
  } job{a, out};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 128 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void *arg) -> void * {
                  auto *j = static_cast<Job *>(arg);
                  KeyTreeO t;
                  j->ok = t.Open(j->key) && t.ExportText(j->file) && t.Close();
                  return nullptr;
                },
                &job),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  ASSERT_TRUE(job.ok);
  const std::string text = dir.Read("a.txt");
  EXPECT_GT(text.size(), 27000000u);
  ASSERT_EQ(KeyTreeO::ImportTextFile(dir.File("b.key"), out), 0);
  KeyTreeO b;
  ASSERT_TRUE(b.Open(dir.File("b.key")));
  ASSERT_TRUE(b.ExportText(dir.File("b.txt")));
  EXPECT_TRUE(dir.Read("b.txt") == text);
}

TEST(KeyClassify, AFailedExportLeavesTheOldFile) {
  TempDir dir;
  KeyTreeO t;
  ASSERT_TRUE(t.Open(dir.File("db.key")));
  Key(t, "One", "1. e4");
  // Every node written back, so the one write is the text's.
  ASSERT_TRUE(t.Close());
  ASSERT_TRUE(t.Open(dir.File("db.key")));
  dir.Write("keys.txt", "old contents");
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC);
    EXPECT_FALSE(t.ExportText(dir.File("keys.txt")));
  }
  EXPECT_EQ(dir.Read("keys.txt"), "old contents");
  EXPECT_EQ(files::ListFiles(dir.Path(), "keys*").size(), 1u);
  ASSERT_TRUE(t.ExportText(dir.File("keys.txt")));
  EXPECT_EQ(dir.Read("keys.txt"),
            "[Name=\"One\"\r\n Code=\"\"\r\n Pos=(\"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\", "
            "\"\")\r\n]\r\n");
}

TEST(KeyClassify, TheShippedDefaultSet) {
  const std::string file = testutil::DataDir() + "class.txt";
  std::string text;
  ASSERT_TRUE(files::ReadAll(file, text));
  EXPECT_EQ(text.find("\r\n\r\n"), std::string::npos);  // a blank line would end the import
  TempDir dir;
  const std::string key = dir.File("class.key");
  ASSERT_EQ(KeyTreeO::ImportTextFile(key, file), 0);
  KeyTreeO t;
  ASSERT_TRUE(t.Open(key));
  EXPECT_EQ(t.NodeCount(), static_cast<uint32_t>(Count(text, "[Name=") + 1));
  const std::vector<std::string> keys = Describe(t);
  int positions = 0;
  for (const std::string &k : keys) positions += Count(k, "|") - 2;
  EXPECT_EQ(positions, Count(text, " Pos=("));
  EXPECT_GE(keys.size(), 50u);
  // Every position's name is the line that reaches it.
  int checked = 0;
  for (uint32_t n = 2; n <= t.NodeCount(); ++n) {
    t.SetCurrentNode(n);
    for (int j = 1; j <= t.PositionCount(); ++j) {
      PositionO stored, played;
      ASSERT_TRUE(t.GetPosition(j, stored));
      const std::string line = t.GetPositionName(j);
      ASSERT_TRUE(Play(line, played)) << line;
      MailboxPos a, b;
      a.FromPositionO(stored);
      b.FromPositionO(played);
      CompactPosition ca, cb;
      a.ToCompact(ca);
      b.ToCompact(cb);
      EXPECT_TRUE(MailboxPos::Equal24(ca, cb)) << t.GetName() << ": " << line;
      ++checked;
    }
  }
  EXPECT_EQ(checked, positions);
  // Export and back.
  ASSERT_TRUE(t.ExportText(dir.File("again.txt")));
  ASSERT_EQ(KeyTreeO::ImportTextFile(dir.File("again.key"), dir.File("again.txt")), 0);
  EXPECT_EQ(DescribeFile(dir.File("again.key")), keys);

  // A few games.
  const std::pair<const char *, const char *> games[] = {
      {"1. e4 c5 2. Nf3 d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6 6. Be3 e5 7. Nb3 Be6", "Najdorf Variation"},
      {"1. d4 Nf6 2. c4 e6 3. Nc3 d5 4. Bg5 Be7 5. e3 O-O", "Queen's Gambit Declined"},
      {"1. c4 e5 2. Nc3 Nf6 3. Nf3 Nc6 4. g3", "Reversed Sicilian"},
      {"1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O", "Closed Ruy Lopez"},
      {"1. e4 e6 2. d4 d5 3. Nc3 Bb4 4. e5 c5 5. a3", "Winawer Variation"},
      {"1. Nf3 Nf6 2. d4 e6 3. Bf4 c5", "London System"},
      {"1. a3 a6 2. b3", ""},
  };
  for (const auto &[moves, name] : games) {
    GameBuffer buf;
    ASSERT_TRUE(ParseGameText(Pgn(moves), encIndexed, buf));
    int ply;
    const uint32_t node = t.ClassifyGame(buf, true, ply);
    if (node == 0) {
      EXPECT_EQ(std::string(name), "") << moves;
      continue;
    }
    t.SetCurrentNode(node);
    EXPECT_EQ(t.GetName(), name) << moves;
  }
}

TEST(KeyClassify, CreateFromDefaults) {
  TempDir app, db;
  testutil::AppDirGuard guard(app.Path());
  const char *const exts[] = {".key", ".pos", ".hsh", ".kls", ".gls", ".gki"};
  const std::string base = db.File("games");
  auto made = [&] {
    int n = 0;
    for (const char *e : exts) n += files::Exists(base + e) ? 1 : 0;
    return n;
  };
  auto clear = [&] {
    for (const char *e : exts) files::Delete(base + e);
  };
  // Neither defaults: nothing made.
  EXPECT_FALSE(KeyTreeO::CreateFromDefaults(base));
  EXPECT_EQ(made(), 0);

  // A text only, found whatever its case.
  app.Write("CLASS.TXT", "[Name=\"From text\"\r\n Code=\"T\"\r\n]\r\n");
  ASSERT_TRUE(KeyTreeO::CreateFromDefaults(base));
  EXPECT_EQ(DescribeFile(base + ".key"), std::vector<std::string>{"0|From text|T"});
  clear();

  // A set of files: copied byte for byte, also without its ".gki".
  {
    KeyTreeO d;
    ASSERT_TRUE(d.Open(app.File("class.key")));
    Key(d, "From files", "1. e4");
    ASSERT_TRUE(d.SetGameKey(2, 3, true));
  }
  ASSERT_TRUE(KeyTreeO::CreateFromDefaults(base));
  for (const char *e : exts) EXPECT_EQ(db.Read(std::string("games") + e), app.Read(std::string("class") + e)) << e;
  clear();
  ASSERT_TRUE(files::Delete(app.File("class.gki")));
  ASSERT_TRUE(KeyTreeO::CreateFromDefaults(base));
  EXPECT_EQ(made(), 5);
  {
    KeyTreeO b;
    ASSERT_TRUE(b.Open(base + ".key"));  // rebuilds ".gki"
    EXPECT_EQ(b.GetGameKey(3), 2u);
  }
  EXPECT_EQ(made(), 6);

  // Any file of the set already there: false, and nothing changes.
  const std::string keyBytes = db.Read("games.key");
  for (const char *e : {".gki", ".key", ".pos"}) {
    clear();
    db.Write(std::string("games") + e, "mine");
    EXPECT_FALSE(KeyTreeO::CreateFromDefaults(base)) << e;
    EXPECT_EQ(made(), 1);
    EXPECT_EQ(db.Read(std::string("games") + e), "mine");
  }
  clear();

  // A default set missing a file other than ".gki" counts as absent: the
  // text is imported.
  const std::string pos = app.Read("class.pos");
  ASSERT_TRUE(files::Delete(app.File("class.pos")));
  ASSERT_TRUE(KeyTreeO::CreateFromDefaults(base));
  EXPECT_EQ(DescribeFile(base + ".key"), std::vector<std::string>{"0|From text|T"});
  clear();
  app.Write("class.pos", pos);

  // A copy that fails half-way leaves none of the files it made.
  for (int nth = 1; nth <= 4; ++nth) {
    MessageRecorder rec;
    {
      FileFault fault(FileFault::Op::Write, nth, ENOSPC);
      EXPECT_FALSE(KeyTreeO::CreateFromDefaults(base)) << nth;
    }
    EXPECT_EQ(made(), 0) << nth;
    EXPECT_EQ(files::ListFiles(db.Path(), "*").size(), 0u) << nth;
  }
  EXPECT_EQ(app.Read("class.pos"), pos);
  ASSERT_TRUE(KeyTreeO::CreateFromDefaults(base));
  EXPECT_EQ(db.Read("games.key"), app.Read("class.key"));
}
