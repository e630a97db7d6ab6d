#include "foundation/TimeControl.h"

#include "platform/IniFile.h"

namespace {
constexpr const char *kKindTexts[] = {"blitz", "tournament", "fixed"};
constexpr const char *kPerspectiveTexts[] = {"White", "Black", "ColorToMove", "Board"};
constexpr const char *kDiagramTexts[] = {"None", "LastMove", "ColorToMove", "Custom", "Players"};

template <size_t N>
int IndexOf(const char *const (&texts)[N], const std::string &s) {
  for (size_t i = 0; i < N; ++i)
    if (s == texts[i]) return static_cast<int>(i);
  return 0;
}
}  // namespace

void TimeControlRec::SetDefaults() { *this = TimeControlRec{}; }

void TimeControlRec::Write(const std::string &iniFileName, const std::string &section) const {
  IniFile ini(iniFileName);
  ini.EraseSection(section);
  ini.WriteString(section, "SelectedTimeControl", TimeControlKindToStr(SelectedTimeControl));
  ini.WriteInteger(section, "BlitzTime", BlitzTime);
  ini.WriteInteger(section, "BlitzIncrement", BlitzIncrement);
  ini.WriteInteger(section, "BlitzNrOfMoves", BlitzNrOfMoves);
  ini.WriteInteger(section, "FirstTimeControlTime", FirstTimeControlTime);
  ini.WriteInteger(section, "FirstTimeControlNrOfMoves", FirstTimeControlNrOfMoves);
  ini.WriteInteger(section, "SecondTimeControlTime", SecondTimeControlTime);
  ini.WriteInteger(section, "SecondTimeControlNrOfMoves", SecondTimeControlNrOfMoves);
  ini.WriteInteger(section, "ThirdTimeControlTime", ThirdTimeControlTime);
  ini.WriteBool(section, "FixedDepthActive", FixedDepthActive);
  ini.WriteInteger(section, "FixedDepth", FixedDepth);
  ini.WriteBool(section, "FixedTimeActive", FixedTimeActive);
  ini.WriteInteger(section, "FixedTime", FixedTime);
}

void TimeControlRec::Read(const std::string &iniFileName, const std::string &section) {
  SetDefaults();
  IniFile ini(iniFileName);
  SelectedTimeControl = StrToTimeControlKind(ini.ReadString(section, "SelectedTimeControl", "blitz"));
  BlitzTime = ini.ReadInteger(section, "BlitzTime", BlitzTime);
  BlitzIncrement = ini.ReadInteger(section, "BlitzIncrement", BlitzIncrement);
  BlitzNrOfMoves = ini.ReadInteger(section, "BlitzNrOfMoves", BlitzNrOfMoves);
  FirstTimeControlTime = ini.ReadInteger(section, "FirstTimeControlTime", FirstTimeControlTime);
  FirstTimeControlNrOfMoves =
      ini.ReadInteger(section, "FirstTimeControlNrOfMoves", FirstTimeControlNrOfMoves);
  SecondTimeControlTime = ini.ReadInteger(section, "SecondTimeControlTime", SecondTimeControlTime);
  SecondTimeControlNrOfMoves =
      ini.ReadInteger(section, "SecondTimeControlNrOfMoves", SecondTimeControlNrOfMoves);
  ThirdTimeControlTime = ini.ReadInteger(section, "ThirdTimeControlTime", ThirdTimeControlTime);
  FixedDepthActive = ini.ReadBool(section, "FixedDepthActive", FixedDepthActive);
  FixedDepth = ini.ReadInteger(section, "FixedDepth", FixedDepth);
  FixedTimeActive = ini.ReadBool(section, "FixedTimeActive", FixedTimeActive);
  FixedTime = ini.ReadInteger(section, "FixedTime", FixedTime);
}

std::string TimeControlKindToStr(TimeControlKind k) {
  auto i = static_cast<size_t>(k);
  return i < std::size(kKindTexts) ? kKindTexts[i] : kKindTexts[0];
}

TimeControlKind StrToTimeControlKind(const std::string &s) {
  return static_cast<TimeControlKind>(IndexOf(kKindTexts, s));
}

std::string PerspectiveToStr(PerspectiveT p) {
  auto i = static_cast<size_t>(p);
  return i < std::size(kPerspectiveTexts) ? kPerspectiveTexts[i] : std::string();
}

PerspectiveT StrToPerspective(const std::string &s) {
  return static_cast<PerspectiveT>(IndexOf(kPerspectiveTexts, s));
}

std::string DiagramTextTypeToStr(DiagramTextTypeT t) {
  auto i = static_cast<size_t>(t);
  return i < std::size(kDiagramTexts) ? kDiagramTexts[i] : std::string();
}

DiagramTextTypeT StrToDiagramTextType(const std::string &s) {
  return static_cast<DiagramTextTypeT>(IndexOf(kDiagramTexts, s));
}
