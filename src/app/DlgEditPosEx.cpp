#include "app/DlgEditPosEx.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "board/ui/BoardLabels.h"
#include "app/Guard.h"
#include "board/ui/ChsBrds.h"
#include "board/ui/PieceImages.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

namespace {

constexpr int kMargin = 15;
constexpr int kButtonIcon = 24;

// A small board: empty, or with both sides' pieces on their first rows.
QIcon BoardIcon(bool withPieces) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  for (int f = 0; f < 4; ++f)
    for (int r = 0; r < 4; ++r) p.fillRect(f * 4, r * 4, 4, 4, (f + r) % 2 ? QColor(181, 136, 99) : QColor(240, 217, 181));
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(0, 0, 15, 15);
  if (withPieces) {
    p.setPen(Qt::NoPen);
    for (int f = 0; f < 4; ++f) {
      p.setBrush(Qt::black);
      p.drawEllipse(f * 4 + 1, 1, 2, 2);
      p.setBrush(Qt::white);
      p.drawEllipse(f * 4 + 1, 13, 2, 2);
    }
  }
  return QIcon(pm);
}

// The piece as a button shows it: the set's image over an empty cell.
QIcon PieceIcon(int set, int colour, int piece) {
  const QImage &img = PieceBitmap(set, colour == cWhite ? kBmpWhite : kBmpBlack, piece);
  if (img.isNull()) return {};
  return QIcon(QPixmap::fromImage(img.scaled(kButtonIcon, kButtonIcon, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace

TEditPositionExDlg::TEditPositionExDlg(QWidget *parent) : TAppDialog(std::string(), true, parent) {
  setObjectName("EditPositionExDlg");
  auto guarded = [this](void (TEditPositionExDlg::*handler)()) {
    return [this, handler] { Guarded([&] { (this->*handler)(); }); };
  };

  // The top panel: castling rights and the side to move.
  TopPanel = new QWidget(this);
  TopPanel->setObjectName("TopPanel");
  auto castlingBox = [this](const char *name, QCheckBox *&kingSide, const char *ksName, QCheckBox *&queenSide,
                            const char *qsName) {
    auto *gb = new QGroupBox(TopPanel);
    gb->setObjectName(name);
    kingSide = new QCheckBox(QStringLiteral("O-O"), gb);
    kingSide->setObjectName(ksName);
    queenSide = new QCheckBox(QStringLiteral("O-O-O"), gb);
    queenSide->setObjectName(qsName);
    auto *l = new QVBoxLayout(gb);
    l->addWidget(kingSide);
    l->addWidget(queenSide);
    return gb;
  };
  WhiteCastlingGB = castlingBox("WhiteCastlingGB", wks, "wks", wqs, "wqs");
  BlackCastlingGB = castlingBox("BlackCastlingGB", bks, "bks", bqs, "bqs");
  connect(wks, &QCheckBox::clicked, this, guarded(&TEditPositionExDlg::wksClick));
  connect(wqs, &QCheckBox::clicked, this, guarded(&TEditPositionExDlg::wqsClick));
  connect(bks, &QCheckBox::clicked, this, guarded(&TEditPositionExDlg::bksClick));
  connect(bqs, &QCheckBox::clicked, this, guarded(&TEditPositionExDlg::bqsClick));

  ColorToMoveRG = new QGroupBox(TopPanel);
  ColorToMoveRG->setObjectName("ColorToMoveRG");
  WhiteToMoveRB = new QRadioButton(ColorToMoveRG);
  WhiteToMoveRB->setObjectName("WhiteToMoveRB");
  BlackToMoveRB = new QRadioButton(ColorToMoveRG);
  BlackToMoveRB->setObjectName("BlackToMoveRB");
  ColorToMoveGroup = new QButtonGroup(this);
  ColorToMoveGroup->addButton(WhiteToMoveRB, 0);
  ColorToMoveGroup->addButton(BlackToMoveRB, 1);
  connect(ColorToMoveGroup, &QButtonGroup::idClicked, this,
          [this](int id) { Guarded([&] { ColorToMoveRGClick(id); }); });
  auto *rg = new QVBoxLayout(ColorToMoveRG);
  rg->addWidget(WhiteToMoveRB);
  rg->addWidget(BlackToMoveRB);

  auto *top = new QHBoxLayout(TopPanel);
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(WhiteCastlingGB);
  top->addWidget(BlackCastlingGB);
  top->addWidget(ColorToMoveRG);
  top->addStretch(1);

  // The board panel: a fixed size from the board, placed by hand as the
  // main window's board is.
  boardlabels::CreateBoardPanel(this, BoardPanel, BoardBevel, Board);
  Board->OnMouseDown = [this](Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    Guarded([&] { BoardMouseDown(); });
  };
  boardlabels::Create(BoardPanel, FileLabels, RankLabels);

  // The middle panel: the tool's piece and colour, the en-passant file, the
  // move number, and clear or initial position.
  MiddlePanel = new QWidget(this);
  MiddlePanel->setObjectName("MiddlePanel");
  auto toolButton = [this](const char *name) {
    auto *b = new QToolButton(MiddlePanel);
    b->setObjectName(name);
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(kButtonIcon, kButtonIcon));
    return b;
  };
  static const char *const kPieceNames[7] = {"",        "PawnBtn",  "KnightBtn", "BishopBtn",
                                             "RookBtn", "QueenBtn", "KingBtn"};
  static void (TEditPositionExDlg::*const kPieceClicks[7])() = {
      nullptr,
      &TEditPositionExDlg::PawnBtnClick,
      &TEditPositionExDlg::KnightBtnClick,
      &TEditPositionExDlg::BishopBtnClick,
      &TEditPositionExDlg::RookBtnClick,
      &TEditPositionExDlg::QueenBtnClick,
      &TEditPositionExDlg::KingBtnClick};
  for (int p = pPawn; p <= pKing; ++p) {
    PieceBtns[p] = toolButton(kPieceNames[p]);
    connect(PieceBtns[p], &QToolButton::clicked, this, guarded(kPieceClicks[p]));
  }
  PawnBtn = PieceBtns[pPawn];
  KnightBtn = PieceBtns[pKnight];
  BishopBtn = PieceBtns[pBishop];
  RookBtn = PieceBtns[pRook];
  QueenBtn = PieceBtns[pQueen];
  KingBtn = PieceBtns[pKing];
  WhiteBtn = toolButton("WhiteBtn");
  BlackBtn = toolButton("BlackBtn");
  connect(WhiteBtn, &QToolButton::clicked, this, guarded(&TEditPositionExDlg::WhiteBtnClick));
  connect(BlackBtn, &QToolButton::clicked, this, guarded(&TEditPositionExDlg::BlackBtnClick));

  const int editWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("0000")) + 16;
  auto labelledEdit = [&](const char *labelName, QLabel *&label, const char *editName, QLineEdit *&edit) {
    label = new QLabel(MiddlePanel);
    label->setObjectName(labelName);
    edit = new QLineEdit(MiddlePanel);
    edit->setObjectName(editName);
    edit->setMaxLength(8);
    edit->setFixedWidth(editWidth);
    label->setBuddy(edit);
  };
  labelledEdit("EnPassentLbl", EnPassentLbl, "EPFile", EPFile);
  labelledEdit("MoveNrLbl", MoveNrLbl, "MoveNr", MoveNr);

  ClearBoardBtn = new QPushButton(MiddlePanel);
  ClearBoardBtn->setObjectName("ClearBoardBtn");
  ClearBoardBtn->setIcon(BoardIcon(false));
  InitialPositionBtn = new QPushButton(MiddlePanel);
  InitialPositionBtn->setObjectName("InitialPositionBtn");
  InitialPositionBtn->setIcon(BoardIcon(true));
  for (QPushButton *b : {ClearBoardBtn, InitialPositionBtn}) {
    b->setIconSize(QSize(kButtonIcon, kButtonIcon));
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(ClearBoardBtn, &QPushButton::clicked, this, guarded(&TEditPositionExDlg::ClearBoardBtnClick));
  connect(InitialPositionBtn, &QPushButton::clicked, this, guarded(&TEditPositionExDlg::InitialPositionBtnClick));

  auto *middle = new QGridLayout(MiddlePanel);
  middle->setContentsMargins(0, 0, 0, 0);
  auto *pieces = new QHBoxLayout;
  pieces->setSpacing(2);
  for (int p = pPawn; p <= pKing; ++p) pieces->addWidget(PieceBtns[p]);
  pieces->addSpacing(8);
  pieces->addWidget(WhiteBtn);
  pieces->addWidget(BlackBtn);
  pieces->addStretch(1);
  pieces->addWidget(ClearBoardBtn);
  pieces->addWidget(InitialPositionBtn);
  middle->addLayout(pieces, 0, 0, 1, 5);
  middle->addWidget(EnPassentLbl, 1, 0);
  middle->addWidget(EPFile, 1, 1);
  middle->addWidget(MoveNrLbl, 1, 2);
  middle->addWidget(MoveNr, 1, 3);
  middle->setColumnStretch(4, 1);

  // The buttons.
  ButtonPanel = new QWidget(this);
  ButtonPanel->setObjectName("ButtonPanel");
  OKBtn = new QPushButton(ButtonPanel);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(ButtonPanel);
  CancelBtn->setObjectName("CancelBtn");
  HelpBtn = new QPushButton(ButtonPanel);
  HelpBtn->setObjectName("HelpBtn");
  HelpBtn->hide();
  connect(OKBtn, &QPushButton::clicked, this, guarded(&TEditPositionExDlg::OKBtnClick));
  connect(CancelBtn, &QPushButton::clicked, this, guarded(&TEditPositionExDlg::CancelBtnClick));
  auto *buttons = new QHBoxLayout(ButtonPanel);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  buttons->addWidget(HelpBtn);
  SetButtonRow(buttons);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(TopPanel);
  layout->addWidget(BoardPanel, 0, Qt::AlignHCenter);
  layout->addWidget(MiddlePanel);
  layout->addWidget(ButtonPanel);
  ApplyCaptions();
}

TEditPositionExDlg::~TEditPositionExDlg() = default;

// ---- Showing

void TEditPositionExDlg::ApplyCaptions() {
  setWindowTitle(ToQ(CommonText::S_DlgEditPosition));
  WhiteCastlingGB->setTitle(ToQ(CommonText::S_White));
  BlackCastlingGB->setTitle(ToQ(CommonText::S_Black));
  ColorToMoveRG->setTitle(ToQ(CommonText::S_ColorToMoveRG));
  WhiteToMoveRB->setText(ToQ(CommonText::S_White));
  BlackToMoveRB->setText(ToQ(CommonText::S_Black));
  EnPassentLbl->setText(ToQ(CommonText::S_EnPassentLbl));
  MoveNrLbl->setText(ToQ(CommonText::S_MoveNrLbl));
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  HelpBtn->setText(ToQ(GenText::S_HelpBtn));
}

void TEditPositionExDlg::FormShow() {
  ApplyCaptions();
  Board->SetColorAtTop(ColorAtTop);
  Board->SetPieceType(PieceType);
  FormResize();
  layout()->activate();
  const QSize want = sizeHint();
  resize(std::max(StartWidth, want.width()), want.height());
  if (TopCenter.x() >= 0) move(TopCenter.x() - frameGeometry().width() / 2, TopCenter.y());
  Board->SetPosition(&Position, nullptr);
  Board->BeginSetup();
  Board->SetSetupPiece(pKing);
  ShowPieceButtons();
  ShowBoardState();
  Board->setFocus();
}

void TEditPositionExDlg::FormResize() {
  boardlabels::Size(FileLabels, RankLabels);
  const int top = Coordinates ? std::max(FileLabels[0]->height() * 3 / 2, kMargin) : kMargin;
  const int side = Coordinates ? std::max(RankLabels[0]->width() * 3 / 2, kMargin) : kMargin;
  const int w = Board->width(), h = Board->height();
  BoardPanel->setFixedSize(w + 2 * side, h + top + kMargin);
  Board->move(side, top);
  BoardBevel->setGeometry(side - 2, top - 2, w + 5, h + 5);
  BoardBevel->lower();
  PlaceLabels();
}

void TEditPositionExDlg::PlaceLabels() {
  boardlabels::Place(*Board, *BoardBevel, FileLabels, RankLabels, Coordinates);
}

void TEditPositionExDlg::ShowBoardState() {
  (Board->SideToMove() == cWhite ? WhiteToMoveRB : BlackToMoveRB)->setChecked(true);
  MoveNr->setText(QString::number(Board->MoveNumber()));
  const int ep = Board->EnPassantFile();
  EPFile->setText(ep >= 1 && ep <= 8 ? QString(QChar('a' + ep - 1)) : QString());
  wks->setChecked(Board->Castling(cWhite, 1));
  wqs->setChecked(Board->Castling(cWhite, 0));
  bks->setChecked(Board->Castling(cBlack, 1));
  bqs->setChecked(Board->Castling(cBlack, 0));
  const bool empty = Board->IsEmpty();
  InitialPositionBtn->setVisible(empty);
  ClearBoardBtn->setVisible(!empty);
  UpdateOKButton();
}

void TEditPositionExDlg::ShowPieceButtons() {
  const int piece = Board->GetSetupPiece();
  const int colour = Board->GetSetupColor();
  for (int p = pPawn; p <= pKing; ++p) {
    PieceBtns[p]->setChecked(p == piece);
    PieceBtns[p]->setIcon(PieceIcon(Board->PieceType(), colour, p));
  }
  WhiteBtn->setChecked(colour == cWhite);
  BlackBtn->setChecked(colour == cBlack);
  WhiteBtn->setIcon(PieceIcon(Board->PieceType(), cWhite, pPawn));
  BlackBtn->setIcon(PieceIcon(Board->PieceType(), cBlack, pPawn));
}

void TEditPositionExDlg::UpdateCastlingBoxes() {
  struct Box {
    QCheckBox *box;
    int colour, side;
  };
  for (const Box &b : {Box{wks, cWhite, 1}, Box{wqs, cWhite, 0}, Box{bks, cBlack, 1}, Box{bqs, cBlack, 0}}) {
    if (Board->CastlingPiecesInPlace(b.colour, b.side)) continue;
    // Unticked in code the box runs no click handler: the right goes here.
    b.box->setChecked(false);
    Board->SetCastling(b.colour, b.side, false);
  }
}

void TEditPositionExDlg::UpdateOKButton() { OKBtn->setEnabled(Board->IsValid()); }

// ---- Handlers

void TEditPositionExDlg::BoardMouseDown() {
  switch (Board->GetInputState()) {
    case 5:
    case 7:
      ShowPieceButtons();
      UpdateCastlingBoxes();
      UpdateOKButton();
      break;
    case 6:
      ShowPieceButtons();
      break;
    default:
      break;
  }
}

void TEditPositionExDlg::CastlingClick(QCheckBox *box, int colour, int side) {
  Board->SetCastling(colour, side, box->isChecked());
  if (box->isChecked()) UpdateCastlingBoxes();
  UpdateOKButton();
}

void TEditPositionExDlg::ColorToMoveRGClick(int item) {
  Board->SetSideToMove(item == 1 ? cBlack : cWhite);
  UpdateOKButton();
}

void TEditPositionExDlg::PieceBtnClick(int piece) {
  // Exclusive by hand: all buttons may be up, which means the tool removes.
  const bool pressed = PieceBtns[piece]->isChecked();
  Board->SetSetupPiece(pressed ? piece : 0);
  ShowPieceButtons();
}

void TEditPositionExDlg::WhiteBtnClick() {
  Board->SetSetupColor(cWhite);
  ShowPieceButtons();
}

void TEditPositionExDlg::BlackBtnClick() {
  Board->SetSetupColor(cBlack);
  ShowPieceButtons();
}

void TEditPositionExDlg::ClearBoardBtnClick() {
  Board->ClearBoard();
  // No right stays ticked without its king and rook.
  UpdateCastlingBoxes();
  ShowBoardState();
}

void TEditPositionExDlg::InitialPositionBtnClick() {
  Board->SetInitialPosition();
  ShowBoardState();
}

int TEditPositionExDlg::EnPassantFileOf(const std::string &text) {
  const std::string t = ini::Trim(text);
  if (t.empty()) return 0;
  const char c = static_cast<char>(t[0] & ~0x20);
  return c >= 'A' && c <= 'H' ? c - 'A' + 1 : 0;
}

int TEditPositionExDlg::MoveNumberOf(const std::string &text) {
  const std::string t = ini::Trim(text);
  if (t.empty()) return 0;
  int n = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
  if (ec != std::errc() || end != t.data() + t.size() || n < 1 || n > 255) return -1;
  return n;
}

void TEditPositionExDlg::OKBtnClick() {
  if (!Board->InSetup()) return;
  const int number = MoveNumberOf(FromQ(MoveNr->text()));
  if (number < 0) {
    ui::Beep();
    MoveNr->setFocus();
    MoveNr->selectAll();
    return;
  }
  Board->SetEnPassantFile(EnPassantFileOf(FromQ(EPFile->text())));
  if (number > 0) Board->SetMoveNumber(number);
  Board->EndSetup(true);
  Position.Assign(Board->Position());
  accept();
}

void TEditPositionExDlg::CancelBtnClick() { reject(); }

void TEditPositionExDlg::reject() {
  if (Board->InSetup()) Board->EndSetup(false);
  QDialog::reject();
}
