#pragma once
// The labels above and below a copied diagram: a kind for each, and custom
// texts with a history of their own.
#include <string>
#include <vector>

#include "app/AppDialog.h"
#include "foundation/TimeControl.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

class TDiagramTextsDlg : public TAppDialog {
  Q_OBJECT
 public:
  static constexpr int kHistoryCount = 5;

  // Reads the histories (FormCreate).
  explicit TDiagramTextsDlg(QWidget *parent = nullptr);
  // Writes the histories back (FormDestroy).
  ~TDiagramTextsDlg() override;

  // The custom texts and their histories as typed, in UTF-8 (the settings
  // file holds them as Utf8ToSettingsValue writes them).
  DiagramTextTypeT TopType = DiagramTextTypeT::None;
  std::string TopText;
  DiagramTextTypeT BottomType = DiagramTextTypeT::None;
  std::string BottomText;
  std::vector<std::string> TopHistory;
  std::vector<std::string> BottomHistory;

  // Captions, the two kinds selected, the custom boxes enabled.
  void FormShow() override;
  void OKBtnClick();
  // Each combo box is enabled only while its Custom button is selected.
  void RadioButtonClick();

  QGroupBox *TopTextTypeGB;
  QRadioButton *CDTTT_NoneRB;
  QRadioButton *CDTTT_PlayersRB;
  QRadioButton *CDTTT_CustomRB;
  QComboBox *TopTextCmb;
  QGroupBox *BottomTextTypeGB;
  QRadioButton *CDBTT_NoneRB;
  QRadioButton *CDBTT_ColorToMoveRB;
  QRadioButton *CDBTT_LastMoveRB;
  QRadioButton *CDBTT_CustomRB;
  QComboBox *BottomTextCmb;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

 private:
  static void ReadTexts(std::vector<std::string> &history, const std::string &section);
  static void WriteTexts(const std::vector<std::string> &history, const std::string &section);
  static void Fill(QComboBox *box, const std::vector<std::string> &history);
  static void Select(QButtonGroup *group, DiagramTextTypeT type);
  QButtonGroup *top_;
  QButtonGroup *bottom_;
};
