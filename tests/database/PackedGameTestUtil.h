#pragma once
// Packed games for the reading tests: a small game text packed through the
// builder, and raw blocks for streams the builder would never write.
//
// Game text: coordinate moves ("e2e4", "e7e8n"), "$n", "{text}", "(" and
// ")", separated by blanks.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "MailboxTestUtil.h"
#include "database/QZUtils.h"

namespace pgtest {

inline std::vector<std::string> Tokens(const std::string &text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    size_t j;
    if (text[i] == '{') {
      j = text.find('}', i);
      if (j == std::string::npos) throw std::runtime_error("unclosed comment");
      ++j;
    } else {
      j = text.find(' ', i);
      if (j == std::string::npos) j = text.size();
    }
    out.push_back(text.substr(i, j - i));
    i = j;
  }
  return out;
}

// Packs the game with the given encoding; fen (our own reader, move number
// ignored) sets a start position. Throws when the builder refuses.
inline GameBuffer Pack(const std::string &game, int encoding = encIndexed, const std::string &tags = "",
                       const std::string &fen = "") {
  QZGameManagerO b;
  b.Reset();
  MailboxPos pos;
  if (fen.empty()) {
    pos.SetStartPosition();
  } else {
    pos = mbtest::Fen(fen);
    CompactPosition cp;
    pos.ToCompact(cp);
    b.SetStartPosition(cp);
    if (!pos.FromCompact(cp)) throw std::runtime_error("bad start");
  }
  struct Line {
    MailboxPos current, before;
  };
  Line line{pos, pos};
  std::vector<Line> outer;
  MoveGen gen;
  auto check = [](bool ok, const std::string &what) {
    if (!ok) throw std::runtime_error("builder refused " + what);
  };
  for (const std::string &t : Tokens(game)) {
    if (t == "(") {
      outer.push_back(line);
      line.current = line.before;
      check(b.BeginVariation(), t);
    } else if (t == ")") {
      line = outer.back();
      outer.pop_back();
      check(b.EndVariation(), t);
    } else if (t[0] == '$') {
      check(b.AppendNAG(std::stoi(t.substr(1))), t);
    } else if (t[0] == '{') {
      check(b.AppendComment(t.substr(1, t.size() - 2)), t);
    } else {
      const Move2 m = mbtest::ParseMove(t);
      int index;
      if (!line.current.MoveIndex(gen, m, index)) throw std::runtime_error("not generated: " + t);
      if (encoding == encIndexed) {
        check(b.AppendIndexedMove(index), t);
      } else if (encoding == encFromTo) {
        check(b.AppendFromToMove(m), t);
      } else {
        SanMoveRec rec;
        rec.move = m;
        line.current.SanInfo(gen, m, rec);
        MailboxPos copy = line.current;
        copy.MakeMove(m, rec.undo);
        check(b.AppendSanMove(rec), t);
      }
      line.before = line.current;
      MoveUndo u;
      line.current.MakeMove(m, u);
    }
  }
  check(b.SetTagText(tags), "tags");
  check(b.EndGame(), "end");
  GameBuffer buf;
  check(b.Pack(buf), "pack");
  QZGameManagerO::SetEncoding(buf, encoding);
  return buf;
}

inline void PutU32(std::vector<uint8_t> &v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// A block laid out by hand around the given stream.
inline GameBuffer Raw(const std::vector<uint8_t> &stream, const std::vector<std::string> &comments = {},
                      const std::vector<uint8_t> &nags = {}, const std::string &tags = "",
                      int encoding = encIndexed, const CompactPosition *start = nullptr) {
  std::vector<uint8_t> v(17, 0);
  v[4] = static_cast<uint8_t>((start ? 1 : 0) | (encoding << 1));
  if (start) v.insert(v.end(), start->bytes.begin(), start->bytes.end());
  v.insert(v.end(), stream.begin(), stream.end());
  const size_t tagOff = v.size();
  v.insert(v.end(), tags.begin(), tags.end());
  v.push_back(0);
  const size_t commentOff = v.size();
  for (const std::string &c : comments) {
    v.insert(v.end(), c.begin(), c.end());
    v.push_back(0);
  }
  const size_t nagOff = v.size();
  v.insert(v.end(), nags.begin(), nags.end());
  PutU32(v, 0, static_cast<uint32_t>(v.size()));
  PutU32(v, 5, static_cast<uint32_t>(tagOff));
  PutU32(v, 9, static_cast<uint32_t>(commentOff));
  PutU32(v, 13, static_cast<uint32_t>(nagOff));
  GameBuffer buf;
  SizeGameBuffer(buf, static_cast<uint32_t>(v.size()));
  std::copy(v.begin(), v.end(), buf.bytes.get());
  return buf;
}

}  // namespace pgtest
