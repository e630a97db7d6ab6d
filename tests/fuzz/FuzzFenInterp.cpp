// FEN and EPD reading and the move-text interpreter on arbitrary text. The
// first line is read as FEN and as EPD; the rest are move texts played from
// the position read (or the start position). Anything read must write back
// and read again to the same position.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chess/IOMan.h"
#include "chess/Posns.h"
#include "platform/Errors.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Play(PositionO &pos, const std::string &moves) {
  size_t i = 0;
  int played = 0;
  while (i < moves.size() && played < 64) {
    size_t j = moves.find_first_of(" \n", i);
    if (j == std::string::npos) j = moves.size();
    std::string token = moves.substr(i, j - i);
    i = j + 1;
    MoveRec m;
    // Character by character, as the board feeds it, and as a whole text.
    pos.ResetInterpreter();
    for (char c : token) pos.FeedMoveChar(c, m);
    if (!pos.InterpretMove(token, m)) continue;
    Check(pos.IsLegal(m.fromFile, m.fromRank, m.toFile, m.toRank));
    const std::string before = pos.GetFEN();
    try {
      // Completing plays the move for its check code, so Black's move at
      // 255 is refused here already.
      pos.CompleteMove(m);
      pos.MakeMove(m);
    } catch (const ERangeError &) {
      // The one-byte move number ends the game; nothing was changed.
      Check(pos.GetFEN() == before);
      return;
    }
    ++played;
    PositionO copy;
    Check(copy.SetFEN(pos.GetFEN()));
  }
}

void ReadInput(const std::string &text) {
  InputO in;
  in.InitString(text);
  int32_t n = 0;
  while (!in.Eof()) {
    in.SkipBlanks();
    if (in.ReadNumber(n)) continue;
    char c = in.PeekChar(3);
    if (c == 'x') in.PeekString(7);
    c = in.ReadChar();
    if (c == '[') {
      in.UnreadChar(c);
      in.ReadChars(2);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char *>(data), size);
  size_t nl = text.find('\n');
  std::string first = text.substr(0, nl);
  std::string rest = nl == std::string::npos ? std::string() : text.substr(nl + 1);

  ReadInput(text);

  PositionO pos;
  const std::string start = pos.GetFEN();
  if (pos.SetFEN(first)) {
    Check(pos.IsValid());
    PositionO again;
    Check(again.SetFEN(pos.GetFEN()));
    Check(again.SameAs(pos));
    Check(again.GetFEN() == pos.GetFEN());
  } else {
    Check(pos.GetFEN() == start);
  }
  PositionO epd;
  if (epd.SetEPD(first)) {
    PositionO again;
    Check(again.SetEPD(epd.GetEPD()));
    Check(again.GetEPD() == epd.GetEPD());
  } else {
    Check(epd.GetFEN() == start && epd.EpdOpCount() == 0);
  }
  Play(pos, rest);
  return 0;
}
