#pragma once
// A board's panel with its sunken bevel, and the coordinate labels around
// the board: the file letters above its bevel, the rank digits to its left,
// each centred on its square and following the board's orientation. The
// main window, the set-up dialog and the tree window share them.
#include <QLabel>
#include <array>
#include <string>

#include "chess/Language.h"
#include "foundation/TimeControl.h"

class QFrame;
class TChessBoard;

namespace boardlabels {

// The coordinate labels' texts, left to right and top to bottom.
std::string FileLabelText(int i, bool whiteAtTop);
std::string RankLabelText(int i, bool whiteAtTop);

// BoardPanel holding BoardBevel and Board, the bevel a sunken panel.
void CreateBoardPanel(QWidget *parent, QWidget *&panel, QFrame *&bevel, TChessBoard *&board);

// Labels named LblA..LblH and Lbl1..Lbl8, children of the board's parent.
void Create(QWidget *parent, std::array<QLabel *, 8> &files, std::array<QLabel *, 8> &ranks);
// Each label as wide as "W" plus two pixels and one line high.
void Size(const std::array<QLabel *, 8> &files, const std::array<QLabel *, 8> &ranks);
void Place(const TChessBoard &board, const QFrame &bevel, const std::array<QLabel *, 8> &files,
           const std::array<QLabel *, 8> &ranks, bool show);

// The material label's text: the board's piece count seen from White,
// Black, the side to move or the side at the bottom of the board.
std::string MaterialLabelText(const TChessBoard &board, LanguageId language, PerspectiveT perspective,
                              bool cancelMinors);

}  // namespace boardlabels
