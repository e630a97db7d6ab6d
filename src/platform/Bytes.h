#pragma once
// Little-endian fields of the program's file formats, read and written byte
// by byte so the layout never depends on the host.
#include <cstdint>

namespace le {

inline void PutU16(uint8_t *p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint16_t GetU16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline void PutU32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t GetU32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline void PutI16(uint8_t *p, int16_t v) { PutU16(p, static_cast<uint16_t>(v)); }
inline int16_t GetI16(const uint8_t *p) { return static_cast<int16_t>(GetU16(p)); }
inline void PutI32(uint8_t *p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
inline int32_t GetI32(const uint8_t *p) { return static_cast<int32_t>(GetU32(p)); }

}  // namespace le
