// Writes a PGN file of random legal games for the reader benchmark:
//   make_pgn FILE [COUNT] [SEED] [--players N]
// With --players the players are drawn from N distinct names (the ten
// usual ones, then numbered variants of them), so files with many names
// can be made; without it from the ten names.
// COUNT games (default 100000) with varied tags (some escaped quotes, some
// names with digits and "_"), a few set-up games with a "FEN" tag, move
// symbols, NAGs, brace and line comments, nested variations, all four
// results, and lines of at most 79 characters.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "chess/Moves.h"
#include "chess/Posns.h"
#include "foundation/LangMan.h"

namespace {

std::mt19937 rng;

int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
bool Chance(int percent) { return Pick(100) < percent; }
template <class T, size_t N>
const T &Any(const T (&items)[N]) {
  return items[Pick(static_cast<int>(N))];
}

// A random legal move, completed; false when there is none or the game
// cannot go on (move 255).
bool RandomMove(PositionO &pos, MoveRec &move, const MoveRec *avoid = nullptr) {
  if (pos.SideToMove() == cBlack && pos.MoveNumber() == 255) return false;
  std::vector<MoveRec> moves = pos.MovesOfSideToMove();
  if (avoid) std::erase_if(moves, [&](const MoveRec &m) { return m.Equal(*avoid); });
  if (moves.empty()) return false;
  // Captures a little more often, so games open up.
  move = moves[static_cast<size_t>(Pick(static_cast<int>(moves.size())))];
  for (int tries = 0; tries < 2 && move.captured == 0; ++tries)
    move = moves[static_cast<size_t>(Pick(static_cast<int>(moves.size())))];
  pos.CompleteMove(move);
  return true;
}

// Movetext tokens gathered into lines of at most 79 characters.
class Writer {
 public:
  explicit Writer(std::FILE *f) : f_(f) {}
  void Token(const std::string &t, bool glue = false) {
    if (!glue && !line_.empty()) {
      if (line_.size() + 1 + t.size() > 79) {
        Flush();
      } else {
        line_ += ' ';
      }
    }
    line_ += t;
  }
  // Text that must end its line (a ";" comment).
  void EndLine() { Flush(); }
  void Flush() {
    if (!line_.empty()) std::fprintf(f_, "%s\n", line_.c_str());
    line_.clear();
  }

 private:
  std::FILE *f_;
  std::string line_;
};

const char *const kWords[] = {"the",  "knight", "is",     "strong",  "here", "weak", "square", "pawn",
                              "with", "attack", "better", "central", "and",  "an",   "idea",   "endgame"};
const char *const kSymbols[] = {"!", "?", "!!", "??", "!?", "?!"};
const int kNags[] = {1,  2,  3,  4,  5,  6,  10,  13,  14,  15,  16, 17,
                     18, 19, 22, 32, 36, 40, 132, 140, 146, 220, 255};

// Brace comments may span lines; line comments may not.
std::string Comment(bool lineBreaks = true) {
  std::string s;
  const int n = 1 + Pick(lineBreaks ? 12 : 6);
  for (int i = 0; i < n; ++i) {
    if (i) s += lineBreaks && Chance(10) ? "\n" : " ";
    s += Any(kWords);
  }
  return s;
}

void WriteMoveNumber(Writer &w, const PositionO &pos, bool force) {
  if (pos.SideToMove() == cWhite)
    w.Token(std::to_string(pos.MoveNumber()) + ".");
  else if (force)
    w.Token(std::to_string(pos.MoveNumber()) + "...");
}

// Writes the move with its annotations; true when the next Black move
// needs its number again.
bool WriteMove(Writer &w, const MoveRec &m) {
  w.Token(m.ToText(mtShort, LangEnglish));
  if (Chance(5)) w.Token(Any(kSymbols), true);
  bool force = false;
  if (Chance(3)) w.Token("$" + std::to_string(Any(kNags)));
  if (Chance(4)) {
    w.Token("{" + Comment() + "}");
    force = true;
  } else if (Chance(1)) {
    w.Token(";" + Comment(false));
    w.EndLine();
    force = true;
  }
  return force;
}

void WriteLine(Writer &w, PositionO &pos, int plies, int depth);

// A variation in place of mainMove, the move just written, from pos (the
// position before it).
void WriteVariation(Writer &w, PositionO &pos, const MoveRec &mainMove, int depth) {
  MoveRec first;
  if (!RandomMove(pos, first, &mainMove)) return;
  w.Token("(");
  bool glue = true;
  if (Chance(10)) {
    w.Token("{" + Comment() + "}", true);
    glue = false;
  }
  w.Token(std::to_string(pos.MoveNumber()) + (pos.SideToMove() == cWhite ? "." : "..."), glue);
  bool force = WriteMove(w, first);
  PositionO before;
  before.Assign(pos);
  pos.MakeMove(first);
  if (depth < 2 && Chance(8)) {
    WriteVariation(w, before, first, depth + 1);
    force = true;
  }
  int played = 1;
  const int plies = 1 + Pick(8);
  while (played < plies) {
    MoveRec m;
    if (!RandomMove(pos, m)) break;
    WriteMoveNumber(w, pos, force);
    force = WriteMove(w, m);
    pos.MakeMove(m);
    ++played;
  }
  w.Token(")", true);
}

std::string Escaped(const std::string &s) {
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

void Tag(std::FILE *f, const char *name, const std::string &value) {
  std::fprintf(f, "[%s \"%s\"]\n", name, Escaped(value).c_str());
}

const char *const kEvents[] = {"Club championship", "Open \"A\" group", "Rapid",    "Blitz",
                               "County league",     "Team match",       "Training", "Simul"};
const char *const kSites[] = {"Utrecht", "Amsterdam", "Leiden", "Gent", "Online", "C:\\games", "?"};
const char *const kNames[] = {"Jansen, Piet", "de Vries, Anna", "Bakker",  "Visser, J.", "Smit",
                              "Mulder, Eva",  "Meijer",         "Bos, K.", "Peters",     "Hendriks"};
const char *const kResults[] = {"1-0", "0-1", "1/2-1/2", "*"};

int players = 0;

std::string Player() {
  if (players == 0) return Any(kNames);
  const int k = Pick(players);
  const std::string base = kNames[k % 10];
  if (k < 10) return base;
  // The number goes before any given name, so names keep their shape.
  const size_t comma = base.find(',');
  const std::string n = " " + std::to_string(k / 10);
  return comma == std::string::npos ? base + n : base.substr(0, comma) + n + base.substr(comma);
}

void WriteGame(std::FILE *f, int number) {
  PositionO pos;
  std::string fen;
  if (Chance(5)) {
    const int n = 6 + Pick(20);
    for (int i = 0; i < n; ++i) {
      MoveRec m;
      if (!RandomMove(pos, m)) break;
      pos.MakeMove(m);
    }
    if (pos.GameState() != gsNormal) pos.Reset();
    if (!pos.IsStartPosition()) fen = pos.GetFEN();
  }
  const std::string result = Any(kResults);
  Tag(f, "Event", Any(kEvents));
  Tag(f, "Site", Any(kSites));
  Tag(f, "Date",
      Chance(10)
          ? "????.??.??"
          : std::to_string(1950 + Pick(75)) + "." + (Chance(20) ? "??" : std::to_string(10 + Pick(3))) + "." +
                std::to_string(10 + Pick(19)));
  Tag(f, "Round", std::to_string(1 + number % 9));
  Tag(f, "White", Player());
  Tag(f, "Black", Player());
  Tag(f, "Result", result);
  if (Chance(60)) {
    Tag(f, "WhiteElo", std::to_string(1200 + Pick(1600)));
    Tag(f, "BlackElo", std::to_string(1200 + Pick(1600)));
  }
  if (Chance(40))
    Tag(f, "ECO", std::string(1, static_cast<char>('A' + Pick(5))) + std::to_string(10 + Pick(90)));
  if (Chance(5)) Tag(f, "Board_2", std::to_string(Pick(40)));
  if (!fen.empty()) {
    Tag(f, "SetUp", "1");
    Tag(f, "FEN", fen);
  }
  std::fprintf(f, "\n");

  Writer w(f);
  if (Chance(3)) w.Token("{" + Comment() + "}");
  const int plies = 20 + Pick(140);
  WriteLine(w, pos, plies, 0);
  w.Token(result);
  w.Flush();
  std::fprintf(f, "\n");
}

void WriteLine(Writer &w, PositionO &pos, int plies, int depth) {
  bool force = true;
  for (int ply = 0; ply < plies; ++ply) {
    MoveRec m;
    if (!RandomMove(pos, m)) break;
    WriteMoveNumber(w, pos, force);
    force = WriteMove(w, m);
    if (ply > 0 && Chance(4)) {
      PositionO side;
      side.Assign(pos);
      WriteVariation(w, side, m, depth + 1);
      force = true;
    }
    pos.MakeMove(m);
  }
}

}  // namespace

int main(int argc, char **argv) {
  const char *const usage = "make_pgn FILE [COUNT [SEED]] [--players N]";
  std::vector<const char *> args;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--players" && i + 1 < argc && players == 0) {
      players = static_cast<int>(NumberArg(argv[++i], 1, 100000000, usage));
    } else if (IsOption(argv[i]) || args.size() == 3) {
      Usage(usage);
    } else {
      args.push_back(argv[i]);
    }
  }
  if (args.empty()) Usage(usage);
  const int count = args.size() > 1 ? static_cast<int>(NumberArg(args[1], 1, 100000000, usage)) : 100000;
  rng.seed(args.size() > 2 ? static_cast<unsigned>(NumberArg(args[2], 0, 4294967295L, usage)) : 20261206u);
  std::FILE *f = std::fopen(args[0], "wb");
  if (!f) {
    std::perror(args[0]);
    return 1;
  }
  for (int i = 1; i <= count; ++i) {
    WriteGame(f, i);
    if (i < count) std::fprintf(f, "\n");
  }
  if (std::fclose(f) != 0) {
    std::perror(args[0]);
    return 1;
  }
  return 0;
}
