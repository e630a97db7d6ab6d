// The PGN game reader on arbitrary text. The first byte picks the notation
// language; the rest is read game after game into one GameO. A game read
// must be a consistent tree of legal moves that navigates and edits
// soundly; a failed read must leave the game as it was and give an error
// span within the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/ParsePGN.h"
#include "foundation/LangMan.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::string Text(const PosRec *n) {
  std::string s = n->parent ? n->move.ToText(mtCoordinate) : std::string();
  for (int i = 1; i <= n->nags.Count(); ++i) s += "$" + std::to_string(n->nags.Get(i));
  s += "{" + n->Comment() + "}";
  s += "(";
  for (auto &c : n->children) s += Text(c.get());
  return s + ")";
}

std::string Snapshot(const GameO &g) {
  std::string s = Text(g.Root()) + g.StartPosition().GetFEN() + g.CurrentPosition().GetFEN();
  for (int i = 1; i <= g.GameInfo().TagCount(); ++i)
    s += g.GameInfo().TagName(i) + "=" + g.GameInfo().TagValue(i) + ";";
  return s;
}

// Every node of a game just read: legal where it stands, selecting its
// first child, counted right.
void CheckRead(GameO &g) {
  Check(g.CurrentNode() == g.Root());
  Check(g.PathMoves().Count() == 0);
  Check(g.IllegalCount() == 0);
  int comments = 0, variations = 0, nodes = 0;
  struct Frame {
    const PosRec *node;
    size_t next;
  };
  PositionO pos;
  pos.Assign(g.StartPosition());
  std::vector<Frame> walk{{g.Root(), 0}};
  while (!walk.empty()) {
    const PosRec *n = walk.back().node;
    const size_t k = walk.back().next;
    if (k == 0) {
      ++nodes;
      if (!n->Comment().empty()) ++comments;
      if (n->ChildCount() > 1) variations += n->ChildCount() - 1;
      Check(n->selectedChild == (n->children.empty() ? 0 : 1));
      Check(n->legal == 1);
      for (int i = 1; i <= n->nags.Count(); ++i) Check(n->nags.Get(i) <= 255);
    }
    if (k >= n->children.size()) {
      walk.pop_back();
      if (!walk.empty()) pos.UnmakeMove(n->move);
      continue;
    }
    ++walk.back().next;
    const PosRec *c = n->children[k].get();
    Check(c->parent == n);
    Check(CanPlayMove(pos, c->move));
    pos.MakeMove(c->move);
    walk.push_back({c, 0});
  }
  Check(comments == g.CommentCount());
  Check(variations == g.VariationCounter());
  Check(nodes == g.Nodes().Count());
}

// Walks and edits the game a little: the path must always match the
// position.
void Exercise(GameO &g) {
  g.GoToLineEnd();
  const std::string end = g.CurrentPosition().GetFEN();
  Check(g.RebuildPath());
  Check(g.CurrentPosition().GetFEN() == end);
  int moves = 0;
  g.GameFlags(moves);
  g.UpdateStandardTags();
  g.GoToStart();
  Check(g.CurrentPosition().SameAs(g.StartPosition()));
  // Delete the first move's own continuation by re-hanging it, which
  // makes the replies illegal, then undo nothing: stepping stays sound.
  if (g.ChildCount() > 0 && g.GoForward(1) && g.ChildCount() > 0) {
    g.DeleteMove(1, 1);
    g.GoToLineEnd();
    PositionO pos;
    pos.Assign(g.StartPosition());
    for (int i = 1; i <= g.PathMoves().Count(); ++i) pos.MakeMove(g.PathMoves().At(i));
    Check(pos.GetFEN() == g.CurrentPosition().GetFEN());
  }
  g.BuildNodeIndex();
  for (int i = 1; i <= g.Nodes().Count(); ++i) {
    const PosRec *n = static_cast<const PosRec *>(g.Nodes().Get(i));
    Check(g.FindNode(n->nodeNumber) == n);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > 8192) return 0;
  static const LanguageId kLanguages[] = {LangEnglish, LangDutch, LangGerman, LangDefault};
  const LanguageId language = kLanguages[data[0] % 4];
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);

  GameInfoO info;
  ReadHeaderFromString(info, text);

  InputO in;
  in.InitString(text);
  const std::int64_t length =
      static_cast<std::int64_t>(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  GameO game;
  for (int n = 0; n < 8 && !in.Eof(); ++n) {
    const std::string before = Snapshot(game);
    const std::int64_t start = in.CharNr();
    ParseResultT result;
    if (game.ReadFromInput(in, language, result)) {
      Check(result.ok == 1);
      Check(in.CharNr() > start || in.Eof());
      CheckRead(game);
      Exercise(game);
    } else {
      Check(result.ok == 0);
      Check(Snapshot(game) == before);
      Check(result.errorPos >= start && result.errorPos <= length);
      Check(result.errorLength >= 0 && result.errorPos + result.errorLength <= length + 1);
      break;
    }
  }
  return 0;
}
