#pragma once
// Helpers for the game-tree and PGN reader tests: a compact text of a
// tree, and the invariants every game must keep.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/ParsePGN.h"
#include "platform/Files.h"

namespace gametest {

inline std::string Annotations(const PosRec *n) {
  std::string s;
  for (int i = 1; i <= n->nags.Count(); ++i) s += " $" + std::to_string(n->nags.Get(i));
  if (!n->Comment().empty()) s += " {" + n->Comment() + "}";
  if (!n->legal) s += " [illegal]";
  return s;
}

inline std::string MoveOf(const PosRec *n) { return n->move.ToText(mtCoordinate); }

// The line below a node: the first child continues it, the others are
// written in brackets after it. Moves in coordinate notation.
inline std::string Line(const PosRec *node) {
  std::string s;
  while (!node->children.empty()) {
    const PosRec *first = node->children.front().get();
    if (!s.empty()) s += " ";
    s += MoveOf(first) + Annotations(first);
    for (size_t k = 1; k < node->children.size(); ++k) {
      const PosRec *alt = node->children[k].get();
      std::string rest = Line(alt);
      s += " (" + MoveOf(alt) + Annotations(alt) + (rest.empty() ? "" : " " + rest) + ")";
    }
    node = first;
  }
  return s;
}

inline std::string TreeText(const GameO &game) {
  std::string root = game.Root()->Comment().empty() ? "" : "{" + game.Root()->Comment() + "} ";
  return root + Line(game.Root());
}

// The number of moves along the first children from the root.
inline int MainLinePlies(const GameO &game) {
  int n = 0;
  for (const PosRec *p = game.Root(); !p->children.empty(); p = p->children.front().get()) ++n;
  return n;
}

// Checks what every game must keep after any operation: the current
// position is the start plus the path, the path leads to the current node,
// counts and selections agree with the tree, and every legal node's move is
// legal where it stands.
inline void ExpectConsistent(GameO &game) {
  // Path and position.
  std::vector<const PosRec *> chain;
  for (const PosRec *n = game.CurrentNode(); n->parent; n = n->parent) chain.push_back(n);
  ASSERT_EQ(chain.size(), game.PathMoves().Count());
  PositionO pos;
  pos.Assign(game.StartPosition());
  int branch = 0;
  for (size_t i = 0; i < chain.size(); ++i) {
    const PosRec *n = chain[chain.size() - 1 - i];
    ASSERT_TRUE(n->legal) << "path through an illegal node";
    ASSERT_TRUE(game.PathMoves().At(static_cast<int>(i) + 1).Equal(n->move));
    if (n->parent->ChildCount() >= 2) ++branch;
    pos.MakeMove(n->move);
  }
  EXPECT_EQ(pos.GetFEN(), game.CurrentPosition().GetFEN());
  EXPECT_EQ(branch, game.BranchDepth());

  // Counts, selections, node numbers and the node list, over every node.
  int comments = 0, variations = 0, illegal = 0, nodes = 0;
  std::vector<bool> seen(65536, false);
  std::vector<const PosRec *> all{game.Root()};
  while (!all.empty()) {
    const PosRec *n = all.back();
    all.pop_back();
    ++nodes;
    if (!n->Comment().empty()) ++comments;
    if (n->ChildCount() > 1) variations += n->ChildCount() - 1;
    if (!n->legal) ++illegal;
    EXPECT_LE(n->selectedChild, n->ChildCount());
    EXPECT_FALSE(seen[n->nodeNumber]) << "node number used twice";
    seen[n->nodeNumber] = true;
    EXPECT_LE(n->nodeNumber, game.NodeCounter());
    EXPECT_GT(game.Nodes().IndexOf(n), 0) << "node missing from the node list";
    for (auto &c : n->children) {
      EXPECT_EQ(c->parent, n);
      all.push_back(c.get());
    }
  }
  EXPECT_EQ(comments, game.CommentCount());
  EXPECT_EQ(variations, game.VariationCounter());
  EXPECT_EQ(illegal, game.IllegalCount());
  EXPECT_EQ(nodes, game.Nodes().Count());

  // Legality: every legal node's move is legal where it stands, with fresh
  // derived fields; nothing below an illegal node is marked.
  struct Frame {
    const PosRec *node;
    size_t next;
  };
  PositionO at;
  at.Assign(game.StartPosition());
  std::vector<Frame> walk{{game.Root(), 0}};
  while (!walk.empty()) {
    const PosRec *n = walk.back().node;
    const size_t k = walk.back().next;
    if (k >= n->children.size()) {
      walk.pop_back();
      if (!walk.empty()) at.UnmakeMove(n->move);
      continue;
    }
    ++walk.back().next;
    const PosRec *c = n->children[k].get();
    if (c->legal) {
      ASSERT_TRUE(CanPlayMove(at, c->move)) << "legal node with an illegal move " << MoveOf(c);
      MoveRec m = c->move;
      at.CompleteMove(m);
      EXPECT_EQ(m.piece, c->move.piece);
      EXPECT_EQ(m.captured, c->move.captured);
      EXPECT_EQ(m.checkCode, c->move.checkCode);
      at.MakeMove(c->move);
      walk.push_back({c, 0});
    } else {
      std::vector<const PosRec *> below;
      for (auto &g : c->children) below.push_back(g.get());
      while (!below.empty()) {
        const PosRec *b = below.back();
        below.pop_back();
        EXPECT_TRUE(b->legal) << "illegal flag below an illegal node";
        for (auto &g : b->children) below.push_back(g.get());
      }
    }
  }
}

inline std::string FixturePath(const std::string &name) {
  const char *src = std::getenv("TV_SOURCE_DIR");
  if (src) return std::string(src) + "/tests/chess/fixtures/" + name;
  // Outside CTest: beside this header.
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/fixtures/" + name;
}

// Reads the fixture file game by game through one parser and one file input.
inline std::vector<std::unique_ptr<GameO>> ReadFixtures() {
  std::vector<std::unique_ptr<GameO>> games;
  InputO in;
  EXPECT_TRUE(in.InitFile(FixturePath("games.pgn")));
  PGNParserO parser;
  parser.SetLanguage(LangEnglish);
  for (;;) {
    while (!in.Eof() && (in.PeekChar(1) == '\n' || in.PeekChar(1) == '\r')) in.ReadChar();
    if (in.Eof()) break;
    auto game = std::make_unique<GameO>();
    ParseResultT r;
    const bool ok = parser.ParseGame(in, *game, r);
    EXPECT_TRUE(ok) << "game " << games.size() + 1 << ": " << parser.ErrorText() << " at " << r.errorPos;
    EXPECT_EQ(ok, r.ok != 0);
    if (!ok) break;
    games.push_back(std::move(game));
  }
  return games;
}

}  // namespace gametest
