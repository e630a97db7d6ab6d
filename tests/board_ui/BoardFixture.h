#pragma once
// The fixture of the board control tests.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <initializer_list>
#include <memory>

#include "SyntheticStrips.h"
#include "board/ui/ChsBrds.h"
#include "chess/TestPositions.h"
#include "foundation_ui/UiTestApp.h"

// Boards on synthetic 32-pixel strips, slides counted instead of slept.
class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    set32_ = registry_.AddSynthetic("Syn32", 32, 32);
    ASSERT_GE(set32_, 7);
    oldSleep_ = TChessBoard::SetSleepFunction([this](int ms) {
      ++sleeps_;
      if (onSleep_) onSleep_(ms);
    });
  }
  void TearDown() override { TChessBoard::SetSleepFunction(oldSleep_); }

  std::unique_ptr<TChessBoard> NewBoard(const char *fen = nullptr) {
    auto b = std::make_unique<TChessBoard>();
    b->SetPieceType(set32_);
    if (fen) {
      PositionO p;
      EXPECT_TRUE(p.SetFEN(fen)) << fen;
      b->AssignPosition(p);
    }
    return b;
  }

  // The move in coordinates ("e2e4", "e7e8n") on the board's position.
  static MoveRec Move(TChessBoard &b, const char *text) {
    const MoveRec c = testchess::CoordMove(text);
    MoveRec m;
    b.BuildMove(c.fromFile, c.fromRank, c.toFile, c.toRank, c.promotion, m);
    return m;
  }

  // The moves played one after the other from the position of the FEN.
  static MoveListO Line(const char *fen, std::initializer_list<const char *> moves) {
    PositionO p;
    EXPECT_TRUE(p.SetFEN(fen)) << fen;
    MoveListO list;
    for (const char *text : moves) {
      const MoveRec c = testchess::CoordMove(text);
      MoveRec m;
      p.BuildMove(c.fromFile, c.fromRank, c.toFile, c.toRank, c.promotion, m);
      p.MakeMove(m);
      list.Add(m);
    }
    return list;
  }

  // The picture a fresh board shows for the same position and orientation.
  QImage FreshGrab(const TChessBoard &b) {
    auto fresh = NewBoard();
    fresh->SetColorAtTop(b.ColorAtTop());
    fresh->AssignPosition(b.Position());
    return fresh->grab().toImage();
  }

  // The record of what is drawn holds the position's men.
  static bool DisplayMatchesPosition(const TChessBoard &b) {
    for (int f = 1; f <= 8; ++f)
      for (int r = 1; r <= 8; ++r)
        if (b.DisplayRecord().PieceAt(f, r) != b.PieceAt(f, r) ||
            b.DisplayRecord().ColourAt(f, r) != b.ColourAt(f, r))
          return false;
    return true;
  }

  striptest::StripRegistry registry_;
  int set32_ = -1;
  int sleeps_ = 0;
  std::function<void(int)> onSleep_;
  TChessBoard::SleepFunction oldSleep_;
};
