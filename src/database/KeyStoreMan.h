#pragma once
// ".key" of a key set: the key nodes, 152-byte buckets, node 1 the root.
//   0 name (length byte + up to 80 characters)   81 code (length + up to 5)
//   87 reserved                                 128 sibling index (u8)
//   129 reserved        132 positions list      136 games list
//   140 children list   144 parent node         148 subtree's game total
// Reserved bytes are written as zeros.
#include <cstdint>
#include <string>

#include "database/BucketStoreMan.h"

struct KeyNodeRec {
  static constexpr uint32_t kSize = 152;
  static constexpr size_t kMaxName = 80;
  static constexpr size_t kMaxCode = 5;

  std::string name;
  std::string code;
  uint8_t siblingIndex = 0;
  uint32_t positions = 0;  // list id in ".kls", 0 none
  uint32_t games = 0;      // list id in ".gls", 0 none
  uint32_t children = 0;   // list id in ".kls", 0 none
  uint32_t parent = 0;
  uint32_t total = 0;

  void ToBytes(uint8_t *p) const;
  // A length byte beyond its field is damage: the text is cut to the field.
  void FromBytes(const uint8_t *p);
};

// A length byte and the text, cut to max characters.
void PutShortString(uint8_t *p, const std::string &text, size_t max);
std::string GetShortString(const uint8_t *p, size_t max);

class KeyStoreManO : public BucketStoreManO {
 public:
  KeyStoreManO() : BucketStoreManO(KeyNodeRec::kSize) {}
  bool ReadNode(uint32_t n, KeyNodeRec &node);
  bool WriteNode(uint32_t n, const KeyNodeRec &node);
  // The new node's number, 0 on failure.
  uint32_t AppendNode(const KeyNodeRec &node);
};
