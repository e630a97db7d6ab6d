// The position copied as HTML and RTF with the diagram texts, and the
// diagrams of a game copied as RTF, read back.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMimeData>
#include <QTimer>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QUrl>
#include <filesystem>
#include <map>
#include <utility>

#include "AppTestUtil.h"
#include "app/ClipboardText.h"
#include "app/DlgDiagramTexts.h"
#include "board/ui/ChsBrds.h"
#include "chess/ParsePGN.h"
#include "foundation/Common.h"
#include "foundation/ui/QtStr.h"

namespace {

// A described face whose frame and labels are characters that RTF could
// take for part of a control word ("7", "-", digits) or must escape ("}").
const char kFakeFonts[] =
    "[Chess Fonts]\r\nFonts=2\r\nFont1=Fake Diag\r\nFont2=Fake Figs\r\n"
    "[Fake Diag]\r\nBlank_W=\\+\r\nBlank_B=\\#\r\n"
    "WhitePawn_W=\\P\r\nWhiteKnight_W=\\N\r\nWhiteBishop_W=\\B\r\nWhiteRook_W=\\R\r\nWhiteQueen_W=\\Q\r\n"
    "WhiteKing_W=\\K\r\nWhitePawn_B=\\p\r\nWhiteKnight_B=\\n\r\nWhiteBishop_B=\\b\r\nWhiteRook_B=\\r\r\n"
    "WhiteQueen_B=\\q\r\nWhiteKing_B=\\k\r\n"
    "BlackPawn_W=\\O\r\nBlackKnight_W=\\M\r\nBlackBishop_W=\\V\r\nBlackRook_W=\\T\r\nBlackQueen_W=\\W\r\n"
    "BlackKing_W=\\L\r\nBlackPawn_B=\\o\r\nBlackKnight_B=\\m\r\nBlackBishop_B=\\v\r\nBlackRook_B=\\t\r\n"
    "BlackQueen_B=\\w\r\nBlackKing_B=\\l\r\n"
    "BorderNW=\\7\r\nBorderN=\\^\r\nBorderNE=\\]\r\nBorderW=\\a\r\nBorderE=\\}\r\nBorderSW=\\-\r\n"
    "BorderS=\\_\r\nBorderSE=\\>\r\n"
    "BorderW1=\\1\r\nBorderW2=\\2\r\nBorderW3=\\3\r\nBorderW4=\\4\r\nBorderW5=\\5\r\nBorderW6=\\6\r\n"
    "BorderW7=\\7\r\nBorderW8=\\8\r\n"
    "BorderS1=\\A\r\nBorderS2=\\B\r\nBorderS3=\\C\r\nBorderS4=\\D\r\nBorderS5=\\E\r\nBorderS6=\\F\r\n"
    "BorderS7=\\G\r\nBorderS8=\\H\r\n"
    "[Fake Figs]\r\nFigurines=1\r\nWhiteKnight=233\r\nBlackKnight=\\J\r\n";

// The fake face's rows of a FEN placement: frame, ranks 8..1, frame.
std::vector<std::string> FakeRows(const std::string &placement, bool coordinates) {
  // FEN letter -> glyph on a light and on a dark square.
  static const std::map<char, std::pair<char, char>> kGlyphs = {
      {'P', {'P', 'p'}}, {'N', {'N', 'n'}}, {'B', {'B', 'b'}}, {'R', {'R', 'r'}}, {'Q', {'Q', 'q'}},
      {'K', {'K', 'k'}}, {'p', {'O', 'o'}}, {'n', {'M', 'm'}}, {'b', {'V', 'v'}}, {'r', {'T', 't'}},
      {'q', {'W', 'w'}}, {'k', {'L', 'l'}}};
  std::vector<std::string> rows{"7^^^^^^^^]"};
  int rank = 8, file = 1;
  std::string row = coordinates ? "8" : "a";
  for (char c : placement) {
    if (c == '/') continue;
    const int n = c >= '1' && c <= '8' ? c - '0' : 1;
    for (int k = 0; k < n; ++k, ++file) {
      const bool dark = (file + rank) % 2 == 0;
      if (c >= '1' && c <= '8')
        row += dark ? '#' : '+';
      else
        row += dark ? kGlyphs.at(c).second : kGlyphs.at(c).first;
    }
    if (file > 8) {
      rows.push_back(row + "}");
      --rank;
      file = 1;
      row = coordinates ? std::to_string(rank) : "a";
    }
  }
  rows.push_back(coordinates ? "-ABCDEFGH>" : "-________>");
  return rows;
}

// A small RTF reader: the paragraphs of the body as the characters written
// in each font. Control words end at their first non-letter, take an
// optional signed number and one blank as delimiter; "\'hh" is one
// character; the font table is skipped.
struct RtfParagraph {
  std::map<int, std::string> byFont;
};

std::vector<RtfParagraph> ReadRtf(const std::string &rtf) {
  std::vector<RtfParagraph> paragraphs(1);
  std::vector<int> fontStack{0};
  auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  for (size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{') {
      if (rtf.compare(i, 9, "{\\fonttbl") == 0) {
        int depth = 0;
        do {
          if (rtf[i] == '{') ++depth;
          if (rtf[i] == '}') --depth;
          ++i;
        } while (depth > 0 && i < rtf.size());
        continue;
      }
      fontStack.push_back(fontStack.back());
      ++i;
    } else if (c == '}') {
      if (fontStack.size() > 1) fontStack.pop_back();
      ++i;
    } else if (c == '\r' || c == '\n') {
      ++i;
    } else if (c != '\\') {
      paragraphs.back().byFont[fontStack.back()] += c;
      ++i;
    } else if (i + 1 < rtf.size() && rtf[i + 1] == '\'') {
      const char ch = static_cast<char>(std::stoi(rtf.substr(i + 2, 2), nullptr, 16));
      paragraphs.back().byFont[fontStack.back()] += ch;
      i += 4;
    } else if (i + 1 < rtf.size() && !isLetter(rtf[i + 1])) {
      paragraphs.back().byFont[fontStack.back()] += rtf[i + 1];
      i += 2;
    } else {
      size_t j = i + 1;
      while (j < rtf.size() && isLetter(rtf[j])) ++j;
      const std::string word = rtf.substr(i + 1, j - i - 1);
      const size_t numberStart = j;
      if (j < rtf.size() && rtf[j] == '-') ++j;
      while (j < rtf.size() && isDigit(rtf[j])) ++j;
      const std::string number = rtf.substr(numberStart, j - numberStart);
      if (j < rtf.size() && rtf[j] == ' ') ++j;
      if (word == "f") fontStack.back() = std::stoi(number);
      if (word == "par") paragraphs.emplace_back();
      i = j;
    }
  }
  return paragraphs;
}

// The paragraphs' texts in the font, those that have some.
std::vector<std::string> TextsIn(const std::string &rtf, int font) {
  std::vector<std::string> texts;
  for (const RtfParagraph &p : ReadRtf(rtf)) {
    auto it = p.byFont.find(font);
    if (it != p.byFont.end() && !it->second.empty()) texts.push_back(it->second);
  }
  return texts;
}

std::string Placement(const std::string &fen) { return fen.substr(0, fen.find(' ')); }

class PositionCopyTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  PositionCopyTest() { QGuiApplication::clipboard()->clear(); }
  ~PositionCopyTest() override {
    QGuiApplication::clipboard()->clear();
    ChessApp.CopyLanguage = LangEnglish;
  }

  static std::string ClipText() { return FromQ(QGuiApplication::clipboard()->text()); }
  static std::string ClipRtf() {
    const QByteArray b = QGuiApplication::clipboard()->mimeData()->data("text/rtf");
    return std::string(b.constData(), static_cast<size_t>(b.size()));
  }
  void Load(const std::string &text) {
    ParseResultT r;
    ASSERT_TRUE(Form().Game.ReadFromString(text, LangEnglish, r)) << r.message;
    Form().ShowLoadedGame(0, false);
  }
  // The fake faces, described and installed.
  void UseFakeFonts() {
    dir().Write("fake.ini", kFakeFonts);
    ChessApp.ChessFonts = std::make_unique<TChessFontInfoMan>(dir().File("fake.ini"),
                                                               std::vector<std::string>{"Fake Diag", "Fake Figs"});
  }
  // Answers the diagram-texts dialog with the kinds and texts, noting the
  // kinds it was shown with; every other dialog with OK.
  std::unique_ptr<modal::ScopedAnswerer> AnswerTexts(DiagramTextTypeT top, const std::string &topText,
                                                    DiagramTextTypeT bottom, const std::string &bottomText,
                                                    const QString &button = "OKBtn") {
    return AnswerTypedTexts(top, ToQ(topText), bottom, ToQ(bottomText), button);
  }
  // The same with the texts as typed.
  std::unique_ptr<modal::ScopedAnswerer> AnswerTypedTexts(DiagramTextTypeT top, const QString &topText,
                                                         DiagramTextTypeT bottom, const QString &bottomText,
                                                         const QString &button = "OKBtn") {
    return std::make_unique<modal::ScopedAnswerer>([=, this](QDialog &dlg) {
      auto *d = qobject_cast<TDiagramTextsDlg *>(&dlg);
      if (!d) return modal::ClickButton(dlg, "OKBtn");
      ++shown;
      shownTop = d->TopType;
      shownBottom = d->BottomType;
      // The two groups hold their buttons under the kinds' values.
      const QList<QButtonGroup *> groups = d->findChildren<QButtonGroup *>();
      groups[0]->button(static_cast<int>(top))->click();
      groups[1]->button(static_cast<int>(bottom))->click();
      d->TopTextCmb->setEditText(topText);
      d->BottomTextCmb->setEditText(bottomText);
      return modal::ClickButton(dlg, button);
    });
  }
  // The bottom text of an HTML copy: what stands between the table and the
  // last "<BR>".
  static std::string HtmlBottom(const std::string &html) {
    const size_t end = html.find("</TABLE>\n") + 9;
    return html.substr(end, html.rfind("<BR>") - end);
  }

  int shown = 0;
  DiagramTextTypeT shownTop = DiagramTextTypeT::None, shownBottom = DiagramTextTypeT::None;
};

// ---- The parts around the diagram

TEST(PositionCopyText, WrappersAroundTheDiagram) {
  using cliptext::HtmlPosition;
  using cliptext::RtfPosition;
  const std::string d = "<TABLE>\r\n";
  EXPECT_EQ(HtmlPosition("T", d, "B", false), "T<BR><TABLE>\r\nB<BR>");
  EXPECT_EQ(HtmlPosition("T", d, "", false), "T<BR><TABLE>\r\n");
  EXPECT_EQ(HtmlPosition("", d, "B", false), "<TABLE>\r\nB<BR>");
  EXPECT_EQ(HtmlPosition("", d, "", false), d);
  EXPECT_EQ(HtmlPosition("T", d, "B", true), "<CENTER>T<BR><TABLE>\r\nB<BR></CENTER>");
  EXPECT_EQ(HtmlPosition("", d, "", true), "<CENTER><TABLE>\r\n</CENTER>");

  // Sizes doubled; every font switch delimited by a blank.
  const std::string g = "X\\par ";
  EXPECT_EQ(RtfPosition("T", g, "B", false, 11, 17), "\\f0\\fs22 T\\par \\f2\\fs34 X\\par \\f0\\fs22 B\\par ");
  EXPECT_EQ(RtfPosition("T", g, "", false, 11, 17), "\\f0\\fs22 T\\par \\f2\\fs34 X\\par \\f0\\fs22 ");
  EXPECT_EQ(RtfPosition("", g, "B", false, 11, 17), "\\f2\\fs34 X\\par \\f0\\fs22 B\\par ");
  EXPECT_EQ(RtfPosition("", g, "", false, 11, 17), "\\f2\\fs34 X\\par \\f0\\fs22 ");
  EXPECT_EQ(RtfPosition("T", g, "B", true, 10, 20), "\\qc\\f0\\fs20 T\\par \\f2\\fs40 X\\par \\f0\\fs20 B\\par \\ql");
  EXPECT_EQ(RtfPosition("", g, "", true, 10, 20), "\\qc\\f2\\fs40 X\\par \\f0\\fs20 \\ql");
  // A text or glyph starting with a digit stays text.
  const std::string rtf = RtfPosition("2", "7\\par ", "1-0", false, 10, 20);
  EXPECT_EQ(TextsIn(rtf, 0), (std::vector<std::string>{"2", "1-0"}));
  EXPECT_EQ(TextsIn(rtf, 2), (std::vector<std::string>{"7"}));
}

// ---- The texts

TEST_F(PositionCopyTest, HtmlTexts) {
  TMainForm &f = Form();
  Load("[White \"Ann\"]\n[Black \"Bob\"]\n[WhiteElo \"2100\"]\n1. e4 e5 2. Nf3 *");
  f.SBFirstClick();
  ChessApp.CenterDiagrams = true;
  {
    auto a = AnswerTexts(DiagramTextTypeT::Custom, "<a & b>", DiagramTextTypeT::LastMove, "");
    f.Item("MPositionAsHTML")->trigger();
  }
  const std::string html = ClipText();
  EXPECT_EQ(html.rfind("<CENTER>&lt;a &amp; b><BR><TABLE BORDER=1", 0), 0u) << html;
  EXPECT_EQ(HtmlBottom(html), "Start Position");
  EXPECT_EQ(html.substr(html.size() - 13), "<BR></CENTER>");
  EXPECT_EQ(html.find('\r'), std::string::npos);
  EXPECT_EQ(f.GetCopyDiagramAs(), "HTML");

  // Players without their Elo; the last move with figurine pictures, in
  // the copy language.
  f.SBNextClick();
  f.SBNextClick();
  f.SBNextClick();
  ChessApp.CenterDiagrams = false;
  ChessApp.UseFigurinesInHTMLGame = true;
  ChessApp.GIFPath = "img/";
  ChessApp.CopyLanguage = LangDutch;
  {
    auto a = AnswerTexts(DiagramTextTypeT::Players, "", DiagramTextTypeT::LastMove, "");
    f.Item("MPositionAsHTML")->trigger();
  }
  EXPECT_EQ(ClipText().rfind("Ann - Bob<BR><TABLE", 0), 0u) << ClipText();
  EXPECT_EQ(HtmlBottom(ClipText()), "Stelling na 2. <IMG SRC=\"img/wnw.gif\">f3");
  ChessApp.UseFigurinesInHTMLGame = false;
  {
    auto a = AnswerTexts(DiagramTextTypeT::None, "", DiagramTextTypeT::LastMove, "");
    f.Item("MPositionAsHTML")->trigger();
  }
  EXPECT_EQ(HtmlBottom(ClipText()), "Stelling na 2. Pf3");
  {
    auto a = AnswerTexts(DiagramTextTypeT::None, "", DiagramTextTypeT::ColorToMove, "");
    f.Item("MPositionAsHTML")->trigger();
  }
  EXPECT_EQ(ClipText().rfind("<TABLE", 0), 0u);
  EXPECT_EQ(HtmlBottom(ClipText()), "Zwart aan zet");
}

TEST_F(PositionCopyTest, RtfTexts) {
  TMainForm &f = Form();
  UseFakeFonts();
  Load("[White \"Ann\"]\n[Black \"Bob\"]\n1. e4 e5 2. Nf3 *");
  f.SBLastClick();
  ChessApp.RTFGameFontName = "Fake Figs";
  ChessApp.RTFDiagramFontName = "Fake Diag";
  ChessApp.RTFGameFontSize = 11;
  ChessApp.RTFDiagramFontSize = 18;
  ChessApp.CenterDiagrams = false;
  ChessApp.UseFigurinesInRTFGame = true;
  {
    auto a = AnswerTexts(DiagramTextTypeT::Custom, "a\\b{c}\xe9", DiagramTextTypeT::LastMove, "");
    f.Item("MPositionAsRTF")->trigger();
  }
  std::string rtf = ClipRtf();
  EXPECT_EQ(rtf.rfind(RtfHeader("Arial", "Fake Figs", "Fake Diag") + "\\f0\\fs22 a\\\\b\\{c\\}\\'E9\\par \\f2\\fs36 7",
                      0),
            0u)
      << rtf;
  EXPECT_NE(rtf.find("\\f0\\fs22 Position after 2. \\f1\\fs22 \\'E9\\f0 f3\\par }"), std::string::npos) << rtf;
  EXPECT_EQ(TextsIn(rtf, 0), (std::vector<std::string>{"a\\b{c}\xe9", "Position after 2. f3"}));
  EXPECT_EQ(TextsIn(rtf, 1), (std::vector<std::string>{"\xe9"}));
  EXPECT_EQ(f.GetCopyDiagramAs(), "RTF");

  // A face that is not installed draws no figurines; a bottom text that
  // starts with a digit stays whole.
  ChessApp.RTFGameFontName = "Arial";
  {
    auto a = AnswerTexts(DiagramTextTypeT::None, "", DiagramTextTypeT::LastMove, "");
    f.Item("MPositionAsRTF")->trigger();
  }
  EXPECT_EQ(TextsIn(ClipRtf(), 0), (std::vector<std::string>{"Position after 2. Nf3"}));
  ChessApp.CenterDiagrams = true;
  {
    auto a = AnswerTexts(DiagramTextTypeT::None, "", DiagramTextTypeT::Custom, "1-0");
    f.Item("MPositionAsRTF")->trigger();
  }
  rtf = ClipRtf();
  EXPECT_NE(rtf.find("}}\\qc\\f2\\fs36 7"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\f0\\fs22 1-0\\par \\ql}"), std::string::npos) << rtf;
  EXPECT_EQ(TextsIn(rtf, 0), (std::vector<std::string>{"1-0"}));
}

// Typed texts keep what Windows-1252 lacks in both copies, as game texts
// do; the history in the settings file keeps what Windows-1252 holds.
// Texts outside Windows-1252 are copied as typed, and so are the
// remembered ones: the next time in the same run and after a restart.
TEST_F(PositionCopyTest, CustomTextsOutsideWindows1252) {
  const QString top =
      QString::fromUtf16(u"\u0418\u0432\u0430\u043d\u043e\u0432 \u2013 M\u00fcller \u00abx\u00bb");
  const QString bottom =
      QString::fromUtf16(u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u6f22\u5b57 \u015eahin");
  const std::string topRefs = "&#1048;&#1074;&#1072;&#1085;&#1086;&#1074; &#8211; M&#252;ller &#171;x&#187;";
  const std::string bottomRefs =
      "&#917;&#955;&#955;&#951;&#957;&#953;&#954;&#940; &#28450;&#23383; &#350;ahin";
  // What Windows-1252 holds as its byte, the rest as Unicode.
  const std::string topUnits =
      "\\u1048?\\u1074?\\u1072?\\u1085?\\u1086?\\u1074? \\'96 M\\'FCller \\'ABx\\'BB";
  const std::string bottomUnits =
      "\\u917?\\u955?\\u955?\\u951?\\u957?\\u953?\\u954?\\u940? \\u28450?\\u23383? \\u350?ahin";
  // The dialog answered with the texts it shows, as the remembered ones.
  QString shownTop, shownBottom;
  auto keep = [&] {
    return std::make_unique<modal::ScopedAnswerer>([&](QDialog &dlg) {
      auto *d = qobject_cast<TDiagramTextsDlg *>(&dlg);
      if (!d) return modal::ClickButton(dlg, "OKBtn");
      shownTop = d->TopTextCmb->currentText();
      shownBottom = d->BottomTextCmb->currentText();
      return modal::ClickButton(dlg, "OKBtn");
    });
  };
  auto copyHtml = [&](const char *when) {
    Form().Item("MPositionAsHTML")->trigger();
    const std::string html = ClipText();
    EXPECT_EQ(html.rfind(topRefs + "<BR><TABLE", 0), 0u) << when << html;
    EXPECT_EQ(HtmlBottom(html), bottomRefs) << when;
  };
  auto copyRtf = [&](const char *when) {
    Form().Item("MPositionAsRTF")->trigger();
    const std::string rtf = ClipRtf();
    EXPECT_NE(rtf.find("\\f0\\fs22 " + topUnits + "\\par \\f2"), std::string::npos) << when << rtf;
    EXPECT_NE(rtf.find("\\f0\\fs22 " + bottomUnits + "\\par }"), std::string::npos) << when << rtf;
  };
  auto setUp = [&] {
    Load("1. e4 *");
    ChessApp.CenterDiagrams = false;
    ChessApp.RTFGameFontSize = 11;
  };
  setUp();
  {
    auto a = AnswerTypedTexts(DiagramTextTypeT::Custom, top, DiagramTextTypeT::Custom, bottom);
    copyHtml("typed: ");
  }
  {
    auto a = keep();
    copyRtf("remembered: ");
    EXPECT_EQ(shownTop, top);
    EXPECT_EQ(shownBottom, bottom);
  }
  {
    auto a = keep();
    copyHtml("remembered: ");
  }
  EXPECT_EQ(DiagramTextsDlg->TopHistory.front(), GameFromQ(top, win1252::TextEncoding::Utf8));
  FreeForm();
  // The settings file stays Windows-1252: the texts are written as escaped
  // UTF-8.
  const std::string settings = ReadSettings();
  EXPECT_NE(settings.find("=utf8:%D0%98%D0%B2"), std::string::npos) << settings;
  EXPECT_TRUE(win1252::Classify(settings) != win1252::TextKind::Utf8) << settings;
  setUp();
  {
    auto a = keep();
    copyRtf("after a restart: ");
    EXPECT_EQ(shownTop, top);
    EXPECT_EQ(shownBottom, bottom);
  }
  {
    auto a = keep();
    copyHtml("after a restart: ");
  }
}

// Both HTML copies offer the text as HTML and as plain text.
TEST_F(PositionCopyTest, HtmlCopiesOfferHtml) {
  TMainForm &f = Form();
  Load("[White \"Ann\"]\n1. e4 *");
  ChessApp.CopyDiagUseLabels = false;
  for (const char *item : {"MGameAsHTML", "MPositionAsHTML"}) {
    QGuiApplication::clipboard()->clear();
    f.Item(item)->trigger();
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr) << item;
    EXPECT_TRUE(mime->formats().contains("text/html")) << item;
    EXPECT_TRUE(mime->formats().contains("text/plain")) << item;
    EXPECT_EQ(mime->html(), mime->text()) << item;
    EXPECT_FALSE(mime->html().isEmpty()) << item;
  }
}

// ---- Dialog, options and the item

TEST_F(PositionCopyTest, DialogCancelAndOptions) {
  TMainForm &f = Form();
  Load("1. e4 *");
  // Without labels: no dialog, the diagram alone.
  ChessApp.CopyDiagUseLabels = false;
  ChessApp.CenterDiagrams = false;
  {
    auto a = AnswerTexts(DiagramTextTypeT::Custom, "x", DiagramTextTypeT::Custom, "y");
    f.Item("MPositionAsHTML")->trigger();
    EXPECT_EQ(ClipText(), cliptext::LfLines(f.Board->GetPositionAsHTML(ChessApp.GIFPath, 1)));
    f.Item("MPositionAsRTF")->trigger();
    EXPECT_EQ(TextsIn(ClipRtf(), 0), std::vector<std::string>{});
    // A face that is not described: the pieces' letters, no frame.
    EXPECT_EQ(TextsIn(ClipRtf(), 2).size(), 8u);
  }
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(f.GetCopyDiagramAs(), "RTF");

  // Cancel copies nothing and keeps the kinds and the chosen item; it
  // stops autoplay all the same.
  ChessApp.CopyDiagUseLabels = true;
  QGuiApplication::clipboard()->setText("before");
  f.AutoPlayTimer->start(100000);
  {
    auto a = AnswerTexts(DiagramTextTypeT::Custom, "x", DiagramTextTypeT::Custom, "y", "CancelBtn");
    f.Item("MPositionAsHTML")->trigger();
  }
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(f.AutoPlayTimer->isActive());
  EXPECT_EQ(ClipText(), "before");
  EXPECT_EQ(f.GetCopyDiagramAs(), "RTF");
  EXPECT_EQ(ChessApp.CopyDiagTopTextType, DiagramTextTypeT::Players);
  EXPECT_EQ(ChessApp.CopyDiagBottomTextType, DiagramTextTypeT::ColorToMove);
  EXPECT_EQ(shownTop, DiagramTextTypeT::Players);
  EXPECT_EQ(shownBottom, DiagramTextTypeT::ColorToMove);

  // OK keeps the kinds, which the next copy offers and the settings file
  // gets.
  {
    auto a = AnswerTexts(DiagramTextTypeT::None, "", DiagramTextTypeT::LastMove, "");
    f.Item("MPositionAsRTF")->trigger();
  }
  EXPECT_EQ(ChessApp.CopyDiagTopTextType, DiagramTextTypeT::None);
  EXPECT_EQ(ChessApp.CopyDiagBottomTextType, DiagramTextTypeT::LastMove);
  {
    auto a = AnswerTexts(DiagramTextTypeT::Custom, "x", DiagramTextTypeT::None, "");
    f.Item("MPositionAsHTML")->trigger();
  }
  EXPECT_EQ(shownTop, DiagramTextTypeT::None);
  EXPECT_EQ(shownBottom, DiagramTextTypeT::LastMove);
  FreeForm();
  const std::string settings = ReadSettings();
  EXPECT_NE(settings.find("CopyDiagTopTextType=Custom"), std::string::npos) << settings;
  EXPECT_NE(settings.find("CopyDiagBottomTextType=None"), std::string::npos) << settings;
  EXPECT_NE(settings.find("CopyDiagramAs=HTML"), std::string::npos) << settings;
}

// ---- Diagrams read back

TEST_F(PositionCopyTest, RtfDiagramsReadBackAsTenRowsOfTen) {
  TMainForm &f = Form();
  UseFakeFonts();
  ChessApp.RTFDiagramFontName = "Fake Diag";
  ChessApp.CopyDiagUseLabels = false;
  Load("1. e4 e5 2. Nf3 $220 Nc6 *");
  f.SBLastClick();
  f.Item("MPositionAsRTF")->trigger();
  // A copied position has no coordinates.
  EXPECT_EQ(TextsIn(ClipRtf(), 2), FakeRows(Placement(f.Board->GetFEN()), false)) << ClipRtf();

  // The diagram of a game copied as RTF, with and without coordinates.
  ChessApp.ShowDiagsInCopyGame = true;
  ChessApp.CopyGameDiagUseLabels = true;
  const std::string afterNf3 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R";
  for (const bool coordinates : {false, true}) {
    ChessApp.DiagsWithCoordinatesInCopyGame = coordinates;
    f.Item("MGameAsRTF")->trigger();
    EXPECT_EQ(TextsIn(ClipRtf(), 2), FakeRows(afterNf3, coordinates)) << ClipRtf();
  }
}

TEST_F(PositionCopyTest, ShippedFontAndImages) {
  const std::string data = testutil::DataDir();
  ASSERT_GE(QFontDatabase::addApplicationFont(ToQ(data + "TorvanelDiagram.ttf")), 0);
  std::filesystem::copy_file(data + "ChsFonts.ini", dir().File("ChsFonts.ini"));
  for (const auto &e : std::filesystem::directory_iterator(data))
    if (e.path().extension() == ".gif") std::filesystem::copy_file(e.path(), dir().File(e.path().filename().string()));
  TMainForm &f = Form();
  ChessApp.CopyDiagUseLabels = false;
  Load("1. d4 *");
  f.SBLastClick();

  EXPECT_EQ(ChessApp.RTFDiagramFontName, "Torvanel Diagram");
  f.Item("MPositionAsRTF")->trigger();
  const std::string rtf = ClipRtf();
  EXPECT_NE(rtf.find("{\\f2\\fswiss\\fcharset2\\fprq2 Torvanel Diagram;}"), std::string::npos) << rtf;
  const std::vector<std::string> rows = TextsIn(rtf, 2);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows.front(), "[^^^^^^^^]");
  EXPECT_EQ(rows[1], "(TmJwLjMt)");
  EXPECT_EQ(rows.back(), "<________>");

  // Every image of the HTML diagram is there under the default picture path.
  f.Item("MPositionAsHTML")->trigger();
  const std::string html = ClipText();
  int images = 0;
  for (size_t at = html.find("<IMG SRC=\""); at != std::string::npos; at = html.find("<IMG SRC=\"", at + 1)) {
    const size_t start = at + 10;
    const std::string url = html.substr(start, html.find('"', start) - start);
    ASSERT_EQ(url.rfind("file://", 0), 0u) << url;
    const QString path = QUrl(ToQ(url)).toLocalFile();
    EXPECT_TRUE(QFileInfo::exists(path)) << url;
    ++images;
  }
  EXPECT_EQ(images, 64);
}

}  // namespace
