// The shipped diagram data: the font "Torvanel Diagram" as "ChsFonts.ini"
// describes it, and the images of HTML diagrams where "GIFPath" points.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QUrl>
#include <map>
#include <set>

#include "TestUtil.h"
#include "UiTestApp.h"
#include "foundation/Common.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/MyUtilsUi.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace {

const std::string kFace = "Torvanel Diagram";

QString Q(const std::string &path) { return QFile::decodeName(QByteArray(path.c_str())); }

// The cell edges a glyph's ink reaches: Left, Top, Right, Bottom.
std::string EdgesOf(const std::string &key) {
  if (key == "Blank_B" || key.ends_with("_B")) return "LTRB";  // hatched to every edge
  if (key.ends_with("_W")) return "";                          // a piece clear of the edges
  static const std::map<std::string, std::string> kFrame = {
      {"BorderNW", "RB"}, {"BorderN", "LRB"}, {"BorderNE", "LB"}, {"BorderW", "TRB"},
      {"BorderE", "LTB"}, {"BorderSW", "TR"}, {"BorderS", "LTR"}, {"BorderSE", "LT"}};
  if (auto it = kFrame.find(key); it != kFrame.end()) return it->second;
  return key.starts_with("BorderW") ? "TRB" : "LTR";  // with a rank digit, a file letter
}

TEST(DiagramFont, EveryDescribedCodeIsAGlyphOneEmSquare) {
  uitest::App();
  const std::string dir = testutil::DataDir();
  IniFile ini(dir + "ChsFonts.ini");
  ASSERT_EQ(ini.ReadInteger("Chess Fonts", "Fonts", 0), 1);
  ASSERT_EQ(ini.ReadString("Chess Fonts", "Font1", ""), kFace);
  EXPECT_EQ(ini.ReadInteger(kFace, "Figurines", -1), 0);
  EXPECT_EQ(ini.ReadInteger(kFace, "Symbols", -1), 0);

  // At 1000 pixels a pixel is a font unit.
  const QRawFont font(Q(dir + "TorvanelDiagram.ttf"), 1000, QFont::PreferNoHinting);
  ASSERT_TRUE(font.isValid());
  EXPECT_EQ(font.familyName().toStdString(), kFace);
  EXPECT_DOUBLE_EQ(font.ascent() + font.descent(), 1000);  // rows join
  EXPECT_DOUBLE_EQ(font.leading(), 0);
  const double top = -font.ascent(), bottom = font.descent();

  std::set<int> codes;
  int glyphs = 0;
  for (const auto &[key, value] : ini.ReadSectionValues(kFace)) {
    if (key == "Figurines" || key == "Symbols") continue;
    SCOPED_TRACE(key);
    ++glyphs;
    const int code = ParseGlyphCode(value);
    // Printable ASCII that RTF carries as it is, each code once.
    EXPECT_TRUE(code > 0x20 && code < 0x7F && code != '\\' && code != '{' && code != '}');
    EXPECT_TRUE(codes.insert(code).second);
    const QList<quint32> at = font.glyphIndexesForString(QString(QChar(code)) + QChar(0xF000 + code));
    ASSERT_EQ(at.size(), 2);
    EXPECT_NE(at[0], 0u);
    EXPECT_EQ(at[0], at[1]);  // also where a symbol-charset reader looks
    EXPECT_DOUBLE_EQ(font.advancesForGlyphIndexes({at[0]}).value(0).x(), 1000);

    const QRectF ink = font.pathForGlyph(at[0]).boundingRect();
    if (key == "Blank_W") {
      EXPECT_TRUE(ink.isEmpty());
      continue;
    }
    ASSERT_FALSE(ink.isEmpty());
    // Inside the cell, and at exactly the edges the design gives.
    EXPECT_GE(ink.left(), -0.5);
    EXPECT_LE(ink.right(), 1000.5);
    EXPECT_GE(ink.top(), top - 0.5);
    EXPECT_LE(ink.bottom(), bottom + 0.5);
    std::string reached;
    if (ink.left() < 0.5) reached += 'L';
    if (ink.top() < top + 0.5) reached += 'T';
    if (ink.right() > 999.5) reached += 'R';
    if (ink.bottom() > bottom - 0.5) reached += 'B';
    EXPECT_EQ(reached, EdgesOf(key));
  }
  EXPECT_EQ(glyphs, 2 + 24 + 8 + 16);
}

TEST(DiagramFont, InstalledItIsTheChessFontOfDiagrams) {
  uitest::App();
  const std::string dir = testutil::DataDir();
  ASSERT_GE(QFontDatabase::addApplicationFont(Q(dir + "TorvanelDiagram.ttf")), 0);
  myui::EnumerateFonts();
  SetInstalledFontFamilies(myui::InstalledFonts());
  TChessFontInfoMan man(dir + "ChsFonts.ini");
  SetInstalledFontFamilies({});
  ASSERT_EQ(man.Count(), 1);
  EXPECT_EQ(DefaultDiagramFont(man), kFace);
  ChessFontInfoRec rec;
  man.GetInfo(1, rec);
  EXPECT_EQ(rec.faceName, kFace);
  EXPECT_TRUE(rec.hasCoordinates);
  EXPECT_FALSE(rec.hasFigurines);
  EXPECT_FALSE(rec.hasSymbols);
  EXPECT_NE(rec.blankLight, 0);
  EXPECT_NE(rec.blankDark, 0);
  for (int piece = 1; piece <= 6; ++piece)
    for (int colour = 0; colour < 2; ++colour)
      for (int square = 0; square < 2; ++square) EXPECT_NE(rec.pieces[piece][colour][square], 0);
  for (int b = 0; b < 8; ++b) EXPECT_NE(rec.border[b], 0);
}

QImage Load(const std::string &dir, const std::string &name) {
  QImage img(Q(dir + name));
  return img.convertToFormat(QImage::Format_RGB32);
}

int Count(const QImage &img, QRgb colour) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == colour;
  return n;
}

// Each image is its piece on its square's colour: the square colour at the
// corners, the same piece on both squares, a white piece whiter than the
// black one, and twelve different pieces.
TEST(DiagramImages, EachPieceOnItsSquare) {
  uitest::App();
  const std::string dir = testutil::DataDir();
  const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
  const QImage light = Load(dir, "efw.gif"), dark = Load(dir, "efb.gif");
  ASSERT_EQ(light.size(), QSize(40, 40));
  ASSERT_EQ(dark.size(), QSize(40, 40));
  const QRgb lightColour = light.pixel(0, 0), darkColour = dark.pixel(0, 0);
  EXPECT_NE(lightColour, darkColour);
  EXPECT_EQ(Count(light, lightColour), 1600);
  EXPECT_EQ(Count(dark, darkColour), 1600);

  std::vector<QImage> shapes;
  for (const char piece : std::string("pnbrqk")) {
    QImage byColour[2];
    for (const int side : {0, 1}) {
      const std::string stem = std::string(1, side == 0 ? 'w' : 'b') + piece;
      SCOPED_TRACE(stem);
      const QImage onLight = Load(dir, stem + "w.gif"), onDark = Load(dir, stem + "b.gif");
      ASSERT_EQ(onLight.size(), QSize(40, 40));
      ASSERT_EQ(onDark.size(), QSize(40, 40));
      for (const QPoint corner : {QPoint(0, 0), QPoint(39, 0), QPoint(0, 39), QPoint(39, 39)}) {
        EXPECT_EQ(onLight.pixel(corner), lightColour);
        EXPECT_EQ(onDark.pixel(corner), darkColour);
      }
      // Only the background differs between the squares.
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
          const bool back = onLight.pixel(x, y) == lightColour;
          EXPECT_EQ(back, onDark.pixel(x, y) == darkColour);
          if (!back) {
            ASSERT_EQ(onLight.pixel(x, y), onDark.pixel(x, y));
          }
        }
      EXPECT_GT(Count(onLight, black), 40);
      byColour[side] = onLight;
    }
    EXPECT_GT(Count(byColour[0], white), Count(byColour[1], white));
    EXPECT_LT(Count(byColour[0], black), Count(byColour[1], black));
    for (const QImage &other : shapes) EXPECT_NE(other, byColour[0]);
    shapes.push_back(byColour[0]);
  }
}

// "GIFPath" defaults to the program directory's URL; an image name put
// after it turns back into the file, also where the path needs escaping.
TEST(DiagramImages, TheDefaultImageFolderNamesTheImages) {
  for (const std::string sub : {"", "j\xC3\xB6rg/my chess #1/"}) {
    testutil::TempDir tmp;
    const std::string dir = tmp.Path() + sub;
    ASSERT_TRUE(files::MakeDirs(dir));
    ASSERT_TRUE(files::Copy(testutil::DataDir() + "wnw.gif", dir + "wnw.gif"));
    testutil::AppDirGuard guard(dir);
    const QUrl url(QString::fromLatin1(GetAppDirURL() + "wnw.gif"));
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(QFile::encodeName(url.toLocalFile()).toStdString(), dir + "wnw.gif");
    EXPECT_TRUE(QImage(url.toLocalFile()).size() == QSize(40, 40));
  }
}

}  // namespace
