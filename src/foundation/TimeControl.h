#pragma once
// The rate of play for games against the engine, and the text forms of the
// option enumerations the settings file stores by name. Stored texts compare
// case-sensitively; an unrecognised text reads as the first value.
#include <cstdint>
#include <string>

enum class TimeControlKind : uint8_t { Blitz = 0, Tournament = 1, Fixed = 2 };
enum class PerspectiveT : uint8_t { White = 0, Black = 1, ColorToMove = 2, Board = 3 };
enum class DiagramTextTypeT : uint8_t { None = 0, LastMove = 1, ColorToMove = 2, Custom = 3, Players = 4 };

struct TimeControlRec {
  TimeControlKind SelectedTimeControl = TimeControlKind::Blitz;
  int32_t BlitzTime = 5;               // minutes
  int32_t BlitzIncrement = 0;          // seconds per move
  int32_t BlitzNrOfMoves = 0;          // moves per period, 0 = whole game
  int32_t FirstTimeControlTime = 120;  // minutes
  int32_t FirstTimeControlNrOfMoves = 40;
  int32_t SecondTimeControlTime = 60;
  int32_t SecondTimeControlNrOfMoves = 20;
  int32_t ThirdTimeControlTime = 15;  // rest of the game
  bool FixedDepthActive = false;
  int32_t FixedDepth = 5;  // plies
  bool FixedTimeActive = true;
  int32_t FixedTime = 5;  // seconds per move

  void SetDefaults();
  // Erases the section, then writes the 13 keys.
  void Write(const std::string &iniFileName, const std::string &section) const;
  // Defaults, then every key present (a value that is not a number keeps
  // its default).
  void Read(const std::string &iniFileName, const std::string &section);

  bool operator==(const TimeControlRec &) const = default;
};

std::string TimeControlKindToStr(TimeControlKind k);
TimeControlKind StrToTimeControlKind(const std::string &s);
std::string PerspectiveToStr(PerspectiveT p);
PerspectiveT StrToPerspective(const std::string &s);
std::string DiagramTextTypeToStr(DiagramTextTypeT t);
DiagramTextTypeT StrToDiagramTextType(const std::string &s);
