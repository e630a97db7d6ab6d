// The game tree: adding, entering, inserting and deleting moves, line kinds
// and selections, revalidation, counts and flags, the node index, and a
// property test of random edits and navigation.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "GameTestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "platform/Errors.h"

using gametest::ExpectConsistent;
using gametest::TreeText;

namespace {

MoveRec Move(const GameO &game, const std::string &text) {
  PositionO pos;
  pos.Assign(game.CurrentPosition());
  MoveRec m;
  EXPECT_TRUE(pos.InterpretMove(text, m)) << text;
  pos.CompleteMove(m);
  return m;
}

// A move given by its squares, legal or not.
MoveRec Squares(const std::string &coord) {
  MoveRec m;
  m.SetMove(coord[0] - 'a' + 1, coord[1] - '0', coord[2] - 'a' + 1, coord[3] - '0', 0);
  return m;
}

void Enter(GameO &game, const std::string &moves) {
  size_t i = 0;
  while (i < moves.size()) {
    size_t j = moves.find(' ', i);
    if (j == std::string::npos) j = moves.size();
    ASSERT_TRUE(game.EnterMove(Move(game, moves.substr(i, j - i)), amInsert, game.ChildCount() + 1));
    i = j + 1;
  }
}

void Load(GameO &g, const std::string &text) {
  ParseResultT r;
  EXPECT_TRUE(g.ReadFromString(text, LangEnglish, r)) << r.message;
}

}  // namespace

TEST(GameTreeTest, InitGivesAnEmptyGameAtTheStandardStart) {
  GameO g;
  EXPECT_EQ(g.Root()->nodeNumber, 1);
  EXPECT_EQ(g.CurrentNode(), g.Root());
  EXPECT_EQ(g.NodeCounter(), 1);
  EXPECT_EQ(g.Result(), resUnknown);
  EXPECT_TRUE(g.StartPosition().IsStartPosition());
  EXPECT_FALSE(g.CanGoBack());
  EXPECT_FALSE(g.GoBack());
  EXPECT_TRUE(g.OnMainLine());
  EXPECT_TRUE(g.AtMainLineEnd());
  EXPECT_EQ(g.CurrentMoveText(mtShort, LangEnglish), "");
}

TEST(GameTreeTest, AddMoveCountsVariationsAndSetsLineKinds) {
  GameO g;
  PosRec *e4 = g.AddMove(Move(g, "e4"), amInsert, nullptr, 1);
  EXPECT_EQ(e4->lineKind, lkMainLine);
  EXPECT_EQ(g.VariationCounter(), 0);
  g.SetSelectedChild(1);
  PosRec *d4 = g.AddMove(Move(g, "d4"), amInsert, nullptr, 1);
  EXPECT_EQ(d4->lineKind, lkVariation);
  EXPECT_EQ(g.VariationCounter(), 1);
  EXPECT_EQ(g.Child(1), d4);
  // The selected e4 moved up by one.
  EXPECT_EQ(g.SelectedChild(), 2);
  EXPECT_EQ(g.ModifiedFlags() & mfEdited, mfEdited);
  // An index beyond the count appends.
  PosRec *c4 = g.AddMove(Move(g, "c4"), amInsert, nullptr, 99);
  EXPECT_EQ(g.Child(3), c4);
  EXPECT_THROW(g.AddMove(Move(g, "Nf3"), amInsert, nullptr, 0), ERangeError);
  EXPECT_THROW(g.AddMove(Move(g, "Nf3"), amAboveIndex, nullptr, 4), ERangeError);
  EXPECT_EQ(g.ChildCount(), 3);
  // In variation mode the first move under a node is kind 2.
  g.SetVariationMode(true);
  ASSERT_TRUE(g.GoForward(2));
  PosRec *e5 = g.AddMove(Move(g, "e5"), amInsert, nullptr, 1);
  EXPECT_EQ(e5->lineKind, lkEditorVariation);
  ExpectConsistent(g);
}

TEST(GameTreeTest, AnIllegalMoveMakesAnIllegalNodeThatIsNeverPlayed) {
  GameO g;
  PosRec *bad = g.AddMove(Squares("e2e5"), amInsert, nullptr, 1);
  EXPECT_FALSE(bad->legal);
  EXPECT_EQ(g.IllegalCount(), 1);
  EXPECT_FALSE(g.GoForward(1));
  EXPECT_EQ(g.CurrentNode(), g.Root());
  g.SetSelectedChild(1);
  g.GoToLineEnd();
  EXPECT_EQ(g.CurrentNode(), g.Root());
  EXPECT_FALSE(g.EnterMove(Squares("e2e5"), amInsert, 1));
  ExpectConsistent(g);
}

TEST(GameTreeTest, EnterMoveFollowsAnEqualChildAndUndoKeepsIt) {
  GameO g;
  Load(g, "1. e4 (1. d4) e5 *");
  ASSERT_TRUE(g.EnterMove(Move(g, "d4"), amInsert, 1));
  EXPECT_EQ(g.CurrentNode(), g.Root()->Child(2));
  EXPECT_EQ(g.Root()->selectedChild, 2);
  EXPECT_EQ(g.ModifiedFlags(), 0);
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(g.CurrentNode(), g.Root());
  EXPECT_EQ(g.ChildCount(), 2);
  // A new move is added, entered, and taken away again.
  ASSERT_TRUE(g.EnterMove(Move(g, "c4"), amInsert, 2));
  EXPECT_EQ(TreeText(g), "e2e4 (c2c4) (d2d4) e7e5");
  EXPECT_EQ(g.CurrentNode(), g.Root()->Child(2));
  GameO fresh;
  ASSERT_TRUE(g.ReplaceEnteredMove(Move(fresh, "Nf3")));
  EXPECT_EQ(TreeText(g), "e2e4 (g1f3) (d2d4) e7e5");
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(TreeText(g), "e2e4 (d2d4) e7e5");
  EXPECT_FALSE(g.UndoEnteredMove());
  ExpectConsistent(g);
}

TEST(GameTreeTest, UndoOnlyFromTheEnteredNode) {
  GameO g;
  Enter(g, "e4 e5");
  g.GoBack();
  EXPECT_FALSE(g.UndoEnteredMove());
  EXPECT_EQ(TreeText(g), "e2e4 e7e5");
}

TEST(GameTreeTest, InsertingAboveAContinuationReplaysIt) {
  GameO g;
  Load(g, "1. Nf3 Nf6 2. g3 *");
  // A white move above Nf3 would leave Nf3 to Black: the line cannot be
  // played there and goes whole, counted beforehand.
  EXPECT_EQ(g.AddDropCount(Move(g, "e4"), amAboveIndex, nullptr, 1), 3);
  EXPECT_EQ(g.EnterDropCount(Move(g, "e4"), amAboveAll, 0), 3);
  EXPECT_EQ(g.EnterDropCount(Move(g, "Nf3"), amAboveIndex, 1), 0);  // followed, nothing added
  EXPECT_EQ(g.AddDropCount(Move(g, "e4"), amInsert, nullptr, 2), 0);
  PosRec *e4 = g.AddMove(Move(g, "e4"), amAboveIndex, nullptr, 1);
  EXPECT_EQ(TreeText(g), "e2e4");
  EXPECT_EQ(g.IllegalCount(), 0);
  EXPECT_EQ(g.Nodes().Count(), 2);
  EXPECT_EQ(g.SelectedChild(), 1);
  EXPECT_EQ(e4->selectedChild, 0);
  ExpectConsistent(g);
  // Above an illegal new move nothing is played: the line stays below it
  // and nothing is counted; deleting the move hangs the line back, legal.
  Load(g, "1. Nf3 Nf6 2. g3 *");
  EXPECT_EQ(g.AddDropCount(Squares("e2e5"), amAboveIndex, nullptr, 1), 0);
  g.AddMove(Squares("e2e5"), amAboveIndex, nullptr, 1);
  EXPECT_EQ(TreeText(g), "e2e5 [illegal] g1f3 g8f6 g2g3");
  EXPECT_EQ(g.DeleteDropCount(1, 1), 0);
  g.DeleteMove(1, 1);
  EXPECT_EQ(TreeText(g), "g1f3 g8f6 g2g3");
  EXPECT_EQ(g.IllegalCount(), 0);
  ExpectConsistent(g);
}

TEST(GameTreeTest, InsertingAboveNamedChildrenMovesThemInOrder) {
  GameO g;
  Load(g, "1. e4 (1. d4) (1. c4) *");
  g.SetSelectedChild(3);
  KeyListO named;
  named.Add(3);
  named.Add(1);
  EXPECT_EQ(g.AddDropCount(Move(g, "Nf3"), amAboveNamed, &named, 0), 2);
  PosRec *n = g.AddMove(Move(g, "Nf3"), amAboveNamed, &named, 0);
  // c4 and e4 go below Nf3, which is appended, and cannot be played there;
  // the selection was c4, so the root selects Nf3.
  EXPECT_EQ(TreeText(g), "d2d4 (g1f3)");
  EXPECT_EQ(g.SelectedChild(), 2);
  EXPECT_EQ(n->selectedChild, 0);
  EXPECT_EQ(g.IllegalCount(), 0);
  ExpectConsistent(g);
  named.Clear();
  named.Add(1);
  named.Add(1);
  EXPECT_THROW(g.AddDropCount(Move(g, "b3"), amAboveNamed, &named, 0), ERangeError);
  EXPECT_THROW(g.AddMove(Move(g, "b3"), amAboveNamed, &named, 0), ERangeError);
  // Above all: every child moves below the new one.
  EXPECT_EQ(g.AddDropCount(Move(g, "a3"), amAboveAll, nullptr, 0), 2);
  g.AddMove(Move(g, "a3"), amAboveAll, nullptr, 0);
  EXPECT_EQ(g.ChildCount(), 1);
  EXPECT_EQ(g.Child(1)->ChildCount(), 0);
  ExpectConsistent(g);
}

TEST(GameTreeTest, DeletingAMoveRevalidatesWhatIsReHung) {
  GameO g;
  Load(g, "1. e4 e5 (1... c5) 2. Nf3 (2. Nc3) Nc6 *");
  ASSERT_TRUE(g.GoForward(1));
  g.SetSelectedChild(2);
  // e5 goes; Nf3 (with Nc6) and Nc3 would take its place with Black to
  // move: they cannot be played there and go, counted beforehand.
  EXPECT_EQ(g.DeleteDropCount(1, 1), 3);
  EXPECT_EQ(g.DeleteDropCount(1, 0), 0);
  g.DeleteMove(1, 1);
  EXPECT_EQ(TreeText(g), "e2e4 c7c5");
  EXPECT_EQ(g.IllegalCount(), 0);
  EXPECT_EQ(g.SelectedChild(), 1);
  EXPECT_EQ(g.Nodes().Count(), 3);
  EXPECT_TRUE(g.GoForward(1));
  g.GoBack();
  ExpectConsistent(g);
  // Re-hung replies that stay legal are kept: an illegal move's replies.
  Load(g, "1. e4 *");
  ASSERT_TRUE(g.GoForward(1));
  g.GoBack();
  g.AddMove(Squares("e2e5"), amAboveAll, nullptr, 0);
  EXPECT_EQ(g.DeleteDropCount(1, 1), 0);
  g.DeleteMove(1, 1);
  EXPECT_EQ(TreeText(g), "e2e4");
  ExpectConsistent(g);
}

TEST(GameTreeTest, FlagsFollowDeletions) {
  GameO g;
  Load(g, "1. e4 e5 (1... c5 {Sicilian}) 2. Nf3 *");
  int moves = 0;
  GameFlagSet f = g.GameFlags(moves);
  EXPECT_TRUE(f[3]);
  EXPECT_TRUE(f[4]);
  g.GoForward(1);
  g.DeleteChild(2);
  f = g.GameFlags(moves);
  EXPECT_FALSE(f[3]);
  EXPECT_FALSE(f[4]);
  g.UpdateStandardTags();
  EXPECT_EQ(g.GetTag(kTagFlags), "000000");
  EXPECT_EQ(g.GetTag(kTagNrOfMoves), "1");
}

TEST(GameTreeTest, CommentsAreTrimmedAndCounted) {
  GameO g;
  Enter(g, "e4");
  g.SetComment("  good  ");
  EXPECT_EQ(g.Comment(), "good");
  EXPECT_EQ(g.CommentCount(), 1);
  g.SetComment("better");
  EXPECT_EQ(g.CommentCount(), 1);
  g.SetModifiedState(0);
  g.SetComment("better");
  EXPECT_EQ(g.ModifiedFlags(), 0);
  g.SetComment(" ");
  EXPECT_EQ(g.CommentCount(), 0);
  EXPECT_EQ(g.ModifiedFlags(), mfEdited);
}

TEST(GameTreeTest, NagListAndGroups) {
  GameO g;
  Enter(g, "e4");
  for (int v : {1, 14, 2, 40, 13, 22}) g.AddNag(v);
  g.RemoveNagGroup(3);
  ASSERT_EQ(g.NagCount(), 3);
  EXPECT_EQ(g.Nag(1), 14);
  g.RemoveNagGroup(11);
  ASSERT_EQ(g.NagCount(), 1);
  EXPECT_EQ(g.Nag(1), 40);
  g.RemoveNagGroup(41);
  EXPECT_EQ(g.NagCount(), 1);
  g.AddNag(40);
  g.RemoveNag(40);
  EXPECT_EQ(g.NagCount(), 0);
  EXPECT_THROW(g.AddNag(256), ERangeError);
  EXPECT_THROW(g.Nag(1), ERangeError);
  g.AddNag(7);
  g.SetNag(1, 8);
  EXPECT_TRUE(g.HasNag(8));
  g.ClearNags();
  EXPECT_FALSE(g.HasNag(8));
}

TEST(GameTreeTest, StartPositionRevalidatesTheTree) {
  GameO g;
  Load(g, "1. Nf3 Nf6 2. Ng5 *");
  const PosRec *ng5 = g.Root()->Child(1)->Child(1)->Child(1);
  EXPECT_EQ(ng5->move.captured, 0);
  g.SetModifiedState(0);
  // A black pawn on g5 instead of g7: Ng5 now takes it.
  PositionO start;
  ASSERT_TRUE(start.SetFEN("rnbqkbnr/pppppp1p/8/6p1/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
  g.SetStartPosition(&start);
  EXPECT_EQ(ng5->move.captured, pPawn);
  EXPECT_EQ(g.ModifiedFlags(), mfEdited);
  EXPECT_EQ(g.IllegalCount(), 0);
  ExpectConsistent(g);
  g.UpdateStandardTags();
  EXPECT_EQ(g.GetTag("SetUp"), "1");
  EXPECT_EQ(g.GetTag("FEN"), start.GetFEN());
  // Black to move: the first move is illegal, nothing below it is marked.
  ASSERT_TRUE(start.SetFEN("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"));
  g.SetStartPosition(&start);
  EXPECT_EQ(g.IllegalCount(), 1);
  ExpectConsistent(g);
  // Back to the standard start: all legal again, and the set-up tags go.
  g.SetStartPosition(nullptr);
  EXPECT_EQ(g.IllegalCount(), 0);
  ExpectConsistent(g);
  g.UpdateStandardTags();
  EXPECT_FALSE(g.HasTag("SetUp"));
  EXPECT_FALSE(g.HasTag("FEN"));
}

TEST(GameTreeTest, StandardTagsCountMovesAsPliesHalved) {
  GameO g;
  Load(g, "1. e4 *");
  g.UpdateStandardTags();
  EXPECT_EQ(g.GetTag(kTagNrOfMoves), "0");
  EXPECT_EQ(g.GetTag("Result"), "*");
  Load(g, "[Result \"1-0\"] 1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 4. Qxf7# 1-0");
  g.UpdateStandardTags();
  EXPECT_EQ(g.GetTag(kTagNrOfMoves), "3");
  EXPECT_EQ(g.GetTag(kTagFlags), "100000");
}

TEST(GameTreeTest, NodeIndexNeverAnswersAFreedNode) {
  GameO g;
  Load(g, "1. e4 (1. d4 d5) e5 *");
  g.BuildNodeIndex();
  const PosRec *d5 = g.Root()->Child(2)->Child(1);
  const int number = d5->nodeNumber;
  EXPECT_EQ(g.FindNode(number), d5);
  g.SetPin(1, static_cast<std::uint16_t>(number));
  g.DeleteChild(2);
  EXPECT_EQ(g.FindNode(number), nullptr);
  EXPECT_FALSE(g.GoToNode(number));
  EXPECT_EQ(g.Pin(1), 0);
  // Nodes added after the index was built are found by searching.
  Enter(g, "c4");
  EXPECT_EQ(g.FindNode(g.CurrentNode()->nodeNumber), g.CurrentNode());
  ExpectConsistent(g);
}

TEST(GameTreeTest, SettingTheCurrentNodeStopsBeforeAnIllegalNode) {
  GameO g;
  Load(g, "1. e4 Nf6 2. g3 *");
  ASSERT_TRUE(g.GoForward(1));
  g.AddMove(Squares("e2e4"), amAboveIndex, nullptr, 1);
  g.GoToStart();
  PosRec *g3 = g.FindNode(4);
  ASSERT_NE(g3, nullptr);
  EXPECT_FALSE(g.SetCurrentNode(g3));
  EXPECT_EQ(g.CurrentNode(), g.Root()->Child(1));
  EXPECT_EQ(g.PathMoves().Count(), 1);
  GameO other;
  EXPECT_FALSE(g.SetCurrentNode(other.Root()));
  ExpectConsistent(g);
}

TEST(GameTreeTest, MainLineRulesAndMakeMainLine) {
  GameO g;
  Load(g, "1. e4 (1. d4 d5 2. c4) e5 *");
  ASSERT_TRUE(g.GoForward(2));
  ASSERT_TRUE(g.GoForward(1));
  ASSERT_TRUE(g.GoForward(1));
  g.MakeMainLine();
  EXPECT_TRUE(g.OnMainLine());
  EXPECT_TRUE(g.AtMainLineEnd());
  g.SetMainLineRule(2);
  g.MainLineMoves();
  // Two children of kind 1 at the root now; the first one wins.
  ASSERT_EQ(g.MainLine().Count(), 2);
  g.GoToStart();
  g.SetSelectedChild(2);
  g.SetMainLineRule(1);
  g.MainLineMoves();
  EXPECT_EQ(g.MainLine().Count(), 3);
  EXPECT_THROW(g.SetMainLineRule(3), ERangeError);
  g.SetChildKind(1, lkVariation);
  g.SetMainLineRule(2);
  g.MainLineMoves();
  EXPECT_EQ(g.MainLine().At(1).ToText(mtCoordinate), "d2d4");

  // A first move below the current node that is not of the main line loses
  // the kind variation mode gave it.
  GameO v;
  Load(v, "1. e4 e5 *");
  ASSERT_TRUE(v.GoForward(1));
  ASSERT_TRUE(v.GoForward(1));
  v.SetVariationMode(true);
  ASSERT_EQ(v.AddMove(Move(v, "Nf3"), amInsert, nullptr, 1)->lineKind, lkEditorVariation);
  v.MakeMainLine();
  EXPECT_EQ(v.Child(1)->lineKind, lkVariation);
  EXPECT_TRUE(v.AtMainLineEnd());
}

TEST(GameTreeTest, TheNodeCounterEndsAt65535) {
  GameO g;
  const MoveRec e4 = Move(g, "e4");
  for (int i = 2; i < GameO::kMaxNodeNumber; ++i) g.AppendMove(e4);
  EXPECT_EQ(g.NodeCounter(), 65534);
  g.AppendMove(e4);
  EXPECT_EQ(g.NodeCounter(), 65535);
  EXPECT_THROW(g.AddMove(e4, amInsert, nullptr, 1), ERangeError);
  EXPECT_THROW(g.AddMove(e4, amAboveAll, nullptr, 1), ERangeError);
  EXPECT_EQ(g.ChildCount(), 65534);
  EXPECT_EQ(g.Nodes().Count(), 65535);
  EXPECT_EQ(g.VariationCounter(), 65533);
}

// ---------------------------------------------------------------- replacing a move

namespace {

// Every node with what an undo must bring back: number, move and its
// derived fields, legality, kind, selection, comment and NAGs, in order.
std::string Snapshot(const GameO &g) {
  std::string s;
  std::vector<const PosRec *> stack{g.Root()};
  while (!stack.empty()) {
    const PosRec *n = stack.back();
    stack.pop_back();
    s += std::to_string(n->nodeNumber) + ":" + (n->parent ? gametest::MoveOf(n) : "root") + "/" +
         std::to_string(n->move.checkCode) + "/" + std::to_string(n->move.captured) + "/" +
         std::to_string(n->lineKind) + "/" + std::to_string(n->selectedChild) + gametest::Annotations(n) + ";";
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) stack.push_back(it->get());
  }
  return s;
}

// The game at the node reached by the moves, from the start.
void Walk(GameO &g, std::initializer_list<int> children) {
  g.GoToStart();
  for (int c : children) ASSERT_TRUE(g.GoForward(c));
}

}  // namespace

TEST(GameTreeTest, InsertingAboveOneChildTakesItsPlace) {
  GameO g;
  Load(g, "1. e4 (1. d4) (1. c4) *");
  g.SetSelectedChild(2);
  ASSERT_TRUE(g.EnterMove(Move(g, "Nf3"), amAboveIndex, 2));
  g.GoBack();
  EXPECT_EQ(TreeText(g), "e2e4 (g1f3) (c2c4)");
  EXPECT_EQ(g.SelectedChild(), 2);
  EXPECT_EQ(g.Child(2)->selectedChild, 0);
  ExpectConsistent(g);
  // Undone, d4 hangs back in its own place.
  ASSERT_TRUE(g.GoForward(2));
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(TreeText(g), "e2e4 (d2d4) (c2c4)");
  EXPECT_EQ(g.SelectedChild(), 2);
  ExpectConsistent(g);
}

TEST(GameTreeTest, TakingBackAnInsertBringsBackWhatItDropped) {
  GameO g;
  Load(g, "1. e4 $1 {best} (1. d4 d5 2. c4) (1. c4) 1... e5 (1... c5 {sharp} 2. Nf3) 2. Nf3 *");
  g.BuildNodeIndex();
  g.SetPin(1, 5);
  g.SetSelectedChild(2);
  const PosRec *five = g.FindNode(5);
  ASSERT_NE(five, nullptr);
  const std::string before = Snapshot(g);
  const int nodes = g.Nodes().Count();
  EXPECT_EQ(g.EnterDropCount(Move(g, "Nf3"), amAboveAll, 0), 9);
  ASSERT_TRUE(g.EnterMove(Move(g, "Nf3"), amAboveAll, 0));
  EXPECT_EQ(TreeText(g), "g1f3");
  EXPECT_EQ(g.Nodes().Count(), 2);
  EXPECT_EQ(g.Pin(1), 0);
  ExpectConsistent(g);
  // Another move on the board would insert above the same children again.
  EXPECT_EQ(g.EnteredReplaceDropCount(Squares("b1c3")), 9);
  EXPECT_EQ(g.EnteredReplaceDropCount(Squares("d2d4")), 0);  // d4 is followed
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(Snapshot(g), before);
  EXPECT_EQ(g.Nodes().Count(), nodes);
  EXPECT_EQ(g.Pin(1), 5);
  EXPECT_EQ(g.FindNode(5), five);
  ExpectConsistent(g);
  // Above one child, replaced on the board by another move, then undone.
  EXPECT_EQ(g.EnterDropCount(Move(g, "Nc3"), amAboveIndex, 2), 3);
  ASSERT_TRUE(g.EnterMove(Move(g, "Nc3"), amAboveIndex, 2));
  EXPECT_EQ(g.Nodes().Count(), nodes - 2);
  EXPECT_EQ(g.EnteredReplaceDropCount(Squares("g1f3")), 3);
  ASSERT_TRUE(g.ReplaceEnteredMove(Squares("g1f3")));
  EXPECT_EQ(gametest::MoveOf(g.Root()->Child(2)), "g1f3");
  EXPECT_EQ(g.Root()->Child(2)->ChildCount(), 0);
  ExpectConsistent(g);
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(Snapshot(g), before);
  ExpectConsistent(g);
}

TEST(GameTreeTest, ReplacingAMoveKeepsItsRepliesInTheirOrder) {
  GameO g;
  Load(g, "1. e4 $1 {best} e5 (1... c5 {sharp}) (1... e6) 2. Nf3 *");
  g.Child(1)->selectedChild = 2;
  const std::string before = Snapshot(g);
  const int nodes = g.Nodes().Count();
  EXPECT_EQ(g.ReplaceDropCount(1, Move(g, "d4")), 0);
  ASSERT_TRUE(g.ReplaceChildMove(1, Move(g, "d4")));
  // The new move has no annotations of its own; the replies keep theirs,
  // and the selection follows its node.
  EXPECT_EQ(TreeText(g), "d2d4 e7e5 (c7c5 {sharp}) (e7e6) g1f3");
  EXPECT_EQ(g.CurrentNode(), g.Root()->Child(1));
  EXPECT_EQ(g.SelectedChild(), 2);
  EXPECT_EQ(g.Nodes().Count(), nodes);
  EXPECT_EQ(g.ModifiedFlags() & mfEdited, mfEdited);
  ExpectConsistent(g);
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(Snapshot(g), before);
  EXPECT_EQ(g.CurrentNode(), g.Root());
  EXPECT_FALSE(g.UndoEnteredMove());
  ExpectConsistent(g);

  // A replaced move that stood second stays second.
  Load(g, "1. e4 (1. d4 d5) 1... e5 *");
  ASSERT_TRUE(g.ReplaceChildMove(2, Move(g, "c4")));
  g.GoBack();
  EXPECT_EQ(TreeText(g), "e2e4 (c2c4 d7d5) e7e5");
  // An equal continuation is followed and nothing is replaced.
  Load(g, "1. e4 (1. d4 d5) 1... e5 *");
  EXPECT_EQ(g.ReplaceDropCount(1, Move(g, "d4")), 0);
  ASSERT_TRUE(g.ReplaceChildMove(1, Move(g, "d4")));
  EXPECT_EQ(g.CurrentNode(), g.Root()->Child(2));
  EXPECT_EQ(TreeText(g), "e2e4 (d2d4 d7d5) e7e5");
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(TreeText(g), "e2e4 (d2d4 d7d5) e7e5");
  EXPECT_EQ(g.SelectedChild(), 1);
  // A move that is not legal here changes nothing.
  EXPECT_THROW(g.ReplaceChildMove(1, Squares("e2e5")), ERangeError);
  EXPECT_EQ(TreeText(g), "e2e4 (d2d4 d7d5) e7e5");
  ExpectConsistent(g);
}

TEST(GameTreeTest, ReplacingDropsWhatTheReplayFindsIllegalAndUndoBringsItBack) {
  GameO g;
  Load(g, "1. e4 e5 2. Bc4 {italian} (2. Nf3 Nc6 3. Bb5 (3. Bc4)) 2... Nf6 *");
  const std::string before = Snapshot(g);
  EXPECT_EQ(g.ReplaceDropCount(1, Move(g, "d4")), 4);  // Bc4 Nf6, and Bb5, Bc4 under Nf3 Nc6
  const int nodes = g.Nodes().Count();
  ASSERT_TRUE(g.ReplaceChildMove(1, Move(g, "d4")));
  EXPECT_EQ(TreeText(g), "d2d4 e7e5 g1f3 b8c6");
  EXPECT_EQ(g.Nodes().Count(), nodes - 4);
  ExpectConsistent(g);
  // Another alternative replaces the same continuation again, counted
  // against the old move.
  GameO fresh;
  EXPECT_EQ(g.EnteredReplaceDropCount(Move(fresh, "c4")), 4);
  EXPECT_EQ(g.EnteredReplaceDropCount(Move(fresh, "e3")), 0);
  ASSERT_TRUE(g.ReplaceEnteredMove(Move(fresh, "e3")));
  EXPECT_EQ(TreeText(g), "e2e3 e7e5 f1c4 {italian} (g1f3 b8c6 f1b5 (f1c4)) g8f6");
  ExpectConsistent(g);
  ASSERT_TRUE(g.UndoEnteredMove());
  EXPECT_EQ(Snapshot(g), before);
  EXPECT_EQ(g.Nodes().Count(), nodes);
  ExpectConsistent(g);
}

TEST(GameTreeTest, AReplyThatCapturesAnotherPieceIsUnmadeAsPlayed) {
  GameO g;
  Load(g, "1. e4 d6 2. d4 Bg4 3. Nf3 Bxf3 (3... Nd7) 4. Qxf3 (4. gxf3 Nf6) *");
  Walk(g, {1, 1, 1, 1});
  // After 3. Qf3 the bishop takes the queen; 4. Qxf3 goes, 4. gxf3 stays.
  EXPECT_EQ(g.ReplaceDropCount(1, Move(g, "Qf3")), 1);
  ASSERT_TRUE(g.ReplaceChildMove(1, Move(g, "Qf3")));
  EXPECT_EQ(g.CurrentNode()->Child(1)->move.captured, pQueen);
  g.GoToStart();
  EXPECT_EQ(TreeText(g), "e2e4 d7d6 d2d4 c8g4 d1f3 g4f3 (b8d7) g2f3 g8f6");
  ExpectConsistent(g);
}

// ---------------------------------------------------------------- property test

namespace {

std::vector<MoveRec> LegalMoves(const PositionO &at) {
  PositionO pos;
  pos.Assign(at);
  std::vector<MoveRec> moves;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      if (pos.ColourAt(f, r) != pos.SideToMove()) continue;
      MoveListO list;
      pos.MovesForSquare(f, r, list);
      for (int i = 1; i <= list.Count(); ++i) moves.push_back(list.At(i));
    }
  return moves;
}

std::vector<PosRec *> AllNodes(GameO &g) {
  std::vector<PosRec *> all;
  for (int i = 1; i <= g.Nodes().Count(); ++i) all.push_back(static_cast<PosRec *>(g.Nodes().Get(i)));
  return all;
}

}  // namespace

TEST(GameTreePropertyTest, RandomEditsAndNavigationKeepTheGameConsistent) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    GameO g;
    if (seed % 3 == 0) {
      PositionO start;
      ASSERT_TRUE(start.SetFEN("r3k2r/pppq1ppp/2n2n2/3pp3/3PP3/2N2N2/PPPQ1PPP/R3K2R w KQkq - 0 10"));
      g.SetStartPosition(&start);
    }
    for (int step = 0; step < 400; ++step) {
      const int op = pick(17);
      const int count = g.ChildCount();
      switch (op) {
        case 0:
        case 1:
        case 2: {  // enter a legal move (mostly) with any mode
          std::vector<MoveRec> moves = LegalMoves(g.CurrentPosition());
          if (moves.empty()) break;
          MoveRec m = moves[static_cast<size_t>(pick(static_cast<int>(moves.size())))];
          const int mode = op == 0 ? pick(4) : 0;
          if ((mode == amAboveIndex) && count == 0) break;
          const int index = mode == amAboveIndex ? 1 + pick(count) : 1 + pick(count + 2);
          g.EnterMove(m, mode, index);
          break;
        }
        case 3:  // an illegal move
          g.AddMove(Squares("a1a5"), amInsert, nullptr, 1 + pick(count + 1));
          break;
        case 4:
        case 5:
          if (count > 0) g.GoForward(1 + pick(count));
          break;
        case 6:
          g.GoBack();
          break;
        case 7:
          if (pick(4) == 0)
            g.GoToStart();
          else
            g.GoToLineEnd();
          break;
        case 8:
          if (count > 0) g.DeleteMove(1 + pick(count), pick(2));
          break;
        case 9:
          g.UndoEnteredMove();
          break;
        case 10: {
          std::vector<MoveRec> moves = LegalMoves(g.CurrentPosition());
          if (g.CanGoBack() && !moves.empty()) {
            // Replacing needs the move to be legal one step back; any
            // refusal must leave the game consistent.
            PositionO back;
            back.Assign(g.CurrentPosition());
            back.UnmakeMove(g.CurrentNode()->move);
            std::vector<MoveRec> there = LegalMoves(back);
            g.ReplaceEnteredMove(there[static_cast<size_t>(pick(static_cast<int>(there.size())))]);
          }
          break;
        }
        case 11: {
          std::vector<PosRec *> all = AllNodes(g);
          g.SetCurrentNode(all[static_cast<size_t>(pick(static_cast<int>(all.size())))]);
          break;
        }
        case 12:
          g.SetComment(pick(2) ? "note " + std::to_string(step) : "");
          break;
        case 13:
          g.SetSelectedChild(pick(count + 1));
          break;
        case 14: {
          if (count == 0) break;
          KeyListO named;
          for (int k = 1; k <= count; ++k)
            if (pick(2)) named.Add(k);
          std::vector<MoveRec> moves = LegalMoves(g.CurrentPosition());
          if (!moves.empty())
            g.AddMove(moves[static_cast<size_t>(pick(static_cast<int>(moves.size())))], amAboveNamed, &named,
                      0);
          break;
        }
        case 16: {  // replace a continuation, check the drop count, maybe undo
          std::vector<MoveRec> moves = LegalMoves(g.CurrentPosition());
          if (count == 0 || moves.empty()) break;
          const int i = 1 + pick(count);
          const MoveRec m = moves[static_cast<size_t>(pick(static_cast<int>(moves.size())))];
          const std::string before = Snapshot(g);
          const int nodes = g.Nodes().Count();
          const bool replaces = g.IndexOfChildMove(m) == 0;
          const int dropped = g.ReplaceDropCount(i, m);
          g.ReplaceChildMove(i, m);
          if (replaces) {
            ASSERT_EQ(g.Nodes().Count(), nodes - dropped);
          }
          if (pick(2)) {
            ASSERT_TRUE(g.UndoEnteredMove());
            ASSERT_EQ(Snapshot(g), before);
          }
          break;
        }
        case 15: {
          if (pick(4) == 0) g.BuildNodeIndex();
          for (PosRec *n : AllNodes(g)) ASSERT_EQ(g.FindNode(n->nodeNumber), n);
          break;
        }
      }
      ExpectConsistent(g);
      if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure()) {
        ADD_FAILURE() << "after step " << step << " op " << op << ": " << TreeText(g);
        return;
      }
    }
  }
}
