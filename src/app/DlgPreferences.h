#pragma once
// The preferences: every user option on thirteen pages. Show copies the
// options into the controls; OK copies them back group by group, makes the
// main window and the board apply each group, and at the end tells the
// options' listeners. Cancel changes nothing.
#include <string>
#include <utility>
#include <vector>

#include "app/AppDialog.h"
#include "board/ChsBmps.h"
#include "foundation/TimeControl.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class TChessBoard;
class TMainForm;

class TPreferencesDlg : public TAppDialog {
  Q_OBJECT
 public:
  // The limits of the number boxes.
  static constexpr int kMaxFontSize = 100;
  static constexpr int kMaxLineLength = 999;
  static constexpr int kMaxBorderWidth = 100;

  // Opens the page that was active last (FormCreate).
  explicit TPreferencesDlg(QWidget *parent = nullptr);
  // Keeps the active page (FormDestroy).
  ~TPreferencesDlg() override;

  // Set by the main window before each show.
  TChessBoard *Board = nullptr;
  TMainForm *Main = nullptr;
  // The square colours being edited.
  TColor EditWhiteSquares = 0;
  TColor EditBlackSquares = 0;

  void ApplyCaptions();
  void FormShow() override;
  void OKBtnClick();
  void NewPlayerBtnClick();
  void DeletePlayerBtnClick();
  void AddStandardFileBtnClick();
  void DeleteStandardFileBtnClick();
  void WhiteColorBtnClick();
  void BlackColorBtnClick();
  void HelpBtnClick();

  // The standard files as listed (the file system's bytes).
  std::vector<std::string> StandardFileNames() const;

  // The pages, chosen from the list of their captions beside them.
  QStackedWidget *PageControl;
  QListWidget *PageList;
  // Language
  QComboBox *ProgramLanguageCMB, *InterfaceLanguageCMB, *CopyLanguageCMB, *PasteLanguageCMB;
  QComboBox *LastMoveNotationCMB, *MoveListNotationCMB, *AppFontNameCmb;
  QSpinBox *AppFontSizeEd;
  QCheckBox *UseFigurinesCB;
  // Board
  QComboBox *PieceStyleCMB, *PieceStyleForCopyCMB;
  QLineEdit *MoveEd, *BackEd, *CastleRookMoveEd, *CastleRookBackEd;
  QCheckBox *ShowCoordinatesCB, *UseWindowsColorsCB;
  QFrame *WhiteSquaresPB, *BlackSquaresPB;
  QToolButton *WhiteColorBtn, *BlackColorBtn;
  QCheckBox *ShowMaterialDifferenceCB, *KnightAndBishopAreEqualCB;
  QRadioButton *MatDiffFromWhiteRB, *MatDiffFromBlackRB, *MatDiffFromColorToMoveRB, *MatDiffFromBoardRB;
  // Move Entry
  QCheckBox *RightClickTakesBackCB, *AskInsertTypeOnNewMoveCB, *AskDeleteTypeOnDeleteCB;
  // AutoPlay
  QLineEdit *AutoplayEd;
  QCheckBox *StopAtCommentCB, *StopAtAnnotationsCB, *StopAtAlternativesCB;
  // Databases
  QListWidget *StandardFilesLB;
  QPushButton *AddStandardFileBtn, *DeleteStandardFileBtn;
  // Open
  QCheckBox *ViewOnlyOnFileOpenCB;
  QGroupBox *PositionOnLoadRG;
  QRadioButton *FirstRB, *LastRB;
  QCheckBox *ViewFromPlayersCB;
  QListWidget *ViewFromPlayersLB;
  QPushButton *NewPlayerBtn, *DeletePlayerBtn;
  // Info Lines
  QCheckBox *ShowPlayersCB, *ShowELOCB, *ShowECOCB, *ShowEventCB, *ShowSiteCB, *ShowRoundCB, *ShowDateCB;
  // View
  QCheckBox *ShowMoveButtonsCB, *ShowColorToMoveCB, *ShowLastMoveCB, *ShowAlternativesCB, *ShowGameMoveCB,
      *UseSimpleNagsCB, *ShowExtraPanelCB, *ShowToolbarCB, *ShowStatusbarCB;
  QRadioButton *ExtraUnderRB, *ExtraRightRB, *ExtraLeftRB;
  // Toolbar
  QListWidget *ToolbarButtonsLB;
  // Copy Game
  QCheckBox *ShowDiagsInCopyGameCB, *SeparateAnnotationsInCopyGameCB, *UseExtraSeparationInCopyGameCB,
      *SeparateAlternativesInCopyGameCB, *MainLineInBoldInCopyGameCB, *CommentsInBracketsInCopyGameCB,
      *SquareBracketsForAlternativesCB, *CenterDiagramsCB, *JustifyMoveTextCB,
      *DiagramsWithCoordinatesInCopyGameCB;
  // Diagrams
  QCheckBox *CopyDiagUseLabelsCB, *GameDiagUseLabelsCB;
  QRadioButton *CDBTT_NoneRB, *CDBTT_ColorToMoveRB, *CDBTT_LastMoveRB, *CDBTT_CustomRB;
  QRadioButton *CDTTT_NoneRB, *CDTTT_PlayersRB, *CDTTT_CustomRB;
  QRadioButton *GDBTT_NoneRB, *GDBTT_ColorToMoveRB, *GDBTT_LastMoveRB;
  QRadioButton *GDTTT_NoneRB, *GDTTT_PlayersRB;
  // RTF
  QComboBox *RTFFontNameCmb, *RTFGameFontNameCmb, *RTFGameTextFontNameCmb;
  QSpinBox *FontSizeEd, *RTFGameFontSizeEd;
  QCheckBox *RTFDiagAddBorderCB, *RTFGameUseFigurinesCB, *RTFGameUseTextFontCB;
  // Text/HTML
  QCheckBox *UseHRTInCopyCB, *HTMLGameUseFigurinesCB;
  QSpinBox *LineLengthEd, *BorderWidthEd;
  QLineEdit *GIFPathEd;

  QPushButton *OKBtn, *CancelBtn, *HelpBtn;

 private:
  // A control and the caption it takes; labels and group boxes add ":".
  struct CaptionLink {
    QWidget *control;
    const std::string *text;
  };
  using RadioTypes = std::vector<std::pair<QRadioButton *, DiagramTextTypeT>>;

  QWidget *Page(const char *name, const std::string &caption);
  // A label, check box, radio button, group box or push button that takes
  // the caption.
  template <class W>
  W *Captioned(QWidget *parent, const char *name, const std::string &caption);
  void BuildLanguagePage();
  void BuildBoardPage();
  void BuildSmallPages();
  void BuildOpenPages();
  void BuildViewPages();
  void BuildDiagramsPage();
  void BuildRTFPages();
  void ShowSquareColors();
  // Runs the colour dialog on an edited colour.
  void EditColor(TColor &color);
  void UpdateDeletePlayerBtn();
  static void SelectType(const RadioTypes &radios, DiagramTextTypeT type);
  // The first checked button's type; None when no button is checked.
  static DiagramTextTypeT CheckedType(const RadioTypes &radios);

  std::vector<CaptionLink> captions_;
  std::vector<std::pair<QWidget *, const std::string *>> pages_;
  RadioTypes cdBottom_, cdTop_, gdBottom_, gdTop_;
};
