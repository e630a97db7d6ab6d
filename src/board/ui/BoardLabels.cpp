#include "board/ui/BoardLabels.h"

#include <QFontMetrics>
#include <QFrame>

#include "board/ui/ChsBrds.h"

namespace boardlabels {

std::string FileLabelText(int i, bool whiteAtTop) {
  return std::string(1, static_cast<char>(whiteAtTop ? 'h' - (i - 1) : 'a' + (i - 1)));
}

std::string RankLabelText(int i, bool whiteAtTop) {
  return std::string(1, static_cast<char>(whiteAtTop ? '1' + (i - 1) : '8' - (i - 1)));
}

void CreateBoardPanel(QWidget *parent, QWidget *&panel, QFrame *&bevel, TChessBoard *&board) {
  panel = new QWidget(parent);
  panel->setObjectName("BoardPanel");
  bevel = new QFrame(panel);
  bevel->setObjectName("BoardBevel");
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Sunken);
  board = new TChessBoard(panel);
  board->setObjectName("Board");
}

void Create(QWidget *parent, std::array<QLabel *, 8> &files, std::array<QLabel *, 8> &ranks) {
  static const char *const kFiles[8] = {"LblA", "LblB", "LblC", "LblD", "LblE", "LblF", "LblG", "LblH"};
  static const char *const kRanks[8] = {"Lbl1", "Lbl2", "Lbl3", "Lbl4", "Lbl5", "Lbl6", "Lbl7", "Lbl8"};
  for (int i = 0; i < 8; ++i) {
    files[i] = new QLabel(parent);
    files[i]->setObjectName(kFiles[i]);
    files[i]->setAlignment(Qt::AlignCenter);
    ranks[i] = new QLabel(parent);
    ranks[i]->setObjectName(kRanks[i]);
    ranks[i]->setAlignment(Qt::AlignCenter);
  }
}

void Size(const std::array<QLabel *, 8> &files, const std::array<QLabel *, 8> &ranks) {
  const QFontMetrics coord(files[0]->font());
  for (QLabel *l : files) l->setFixedSize(coord.horizontalAdvance('W') + 2, coord.height());
  for (QLabel *l : ranks) l->setFixedSize(coord.horizontalAdvance('W') + 2, coord.height());
}

void Place(const TChessBoard &board, const QFrame &bevel, const std::array<QLabel *, 8> &files,
           const std::array<QLabel *, 8> &ranks, bool show) {
  const bool whiteAtTop = board.ColorAtTop() == cWhite;
  const int sqW = board.width() / 8;
  const int sqH = board.height() / 8;
  const QPoint b = board.pos();
  for (int i = 1; i <= 8; ++i) {
    QLabel *f = files[i - 1];
    f->setText(QString::fromStdString(FileLabelText(i, whiteAtTop)));
    f->move(b.x() + sqW / 2 - f->width() / 2 + (i - 1) * sqW, bevel.y() - f->height());
    f->setVisible(show);
    QLabel *r = ranks[i - 1];
    r->setText(QString::fromStdString(RankLabelText(i, whiteAtTop)));
    r->move(bevel.x() - r->width() - 1, b.y() + sqH / 2 - r->height() / 2 + (i - 1) * sqH);
    r->setVisible(show);
  }
}

std::string MaterialLabelText(const TChessBoard &board, LanguageId language, PerspectiveT perspective,
                              bool cancelMinors) {
  bool fromBlack = false;
  switch (perspective) {
    case PerspectiveT::Black:
      fromBlack = true;
      break;
    case PerspectiveT::ColorToMove:
      fromBlack = board.SideToMove() == cBlack;
      break;
    case PerspectiveT::Board:
      fromBlack = board.ColorAtTop() == cWhite;  // Black at the bottom
      break;
    default:
      break;
  }
  return board.MaterialText(language, fromBlack, cancelMinors);
}

}  // namespace boardlabels
