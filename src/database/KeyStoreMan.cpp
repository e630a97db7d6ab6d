#include "database/KeyStoreMan.h"

#include <algorithm>
#include <cstring>

#include "platform/Bytes.h"
#include "platform/Win1252.h"

void PutShortString(uint8_t *p, const std::string &text, size_t max) {
  const size_t n = win1252::Utf8Cut(text, max);
  p[0] = static_cast<uint8_t>(n);
  std::memcpy(p + 1, text.data(), n);
}

std::string GetShortString(const uint8_t *p, size_t max) {
  return std::string(reinterpret_cast<const char *>(p + 1), std::min<size_t>(p[0], max));
}

void KeyNodeRec::ToBytes(uint8_t *p) const {
  std::memset(p, 0, kSize);
  PutShortString(p, name, kMaxName);
  PutShortString(p + 81, code, kMaxCode);
  p[128] = siblingIndex;
  le::PutU32(p + 132, positions);
  le::PutU32(p + 136, games);
  le::PutU32(p + 140, children);
  le::PutU32(p + 144, parent);
  le::PutU32(p + 148, total);
}

void KeyNodeRec::FromBytes(const uint8_t *p) {
  name = GetShortString(p, kMaxName);
  code = GetShortString(p + 81, kMaxCode);
  siblingIndex = p[128];
  positions = le::GetU32(p + 132);
  games = le::GetU32(p + 136);
  children = le::GetU32(p + 140);
  parent = le::GetU32(p + 144);
  total = le::GetU32(p + 148);
}

bool KeyStoreManO::ReadNode(uint32_t n, KeyNodeRec &node) {
  uint8_t raw[KeyNodeRec::kSize];
  const bool ok = GetBucket(n, raw);
  node.FromBytes(raw);
  return ok;
}

bool KeyStoreManO::WriteNode(uint32_t n, const KeyNodeRec &node) {
  uint8_t raw[KeyNodeRec::kSize];
  node.ToBytes(raw);
  return SaveBucket(n, raw);
}

uint32_t KeyStoreManO::AppendNode(const KeyNodeRec &node) {
  uint8_t raw[KeyNodeRec::kSize];
  node.ToBytes(raw);
  return AppendBucket(raw);
}
