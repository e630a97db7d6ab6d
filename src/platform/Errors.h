#pragma once
// Errors that end an operation. A value outside its declared range raises
// ERangeError; a failed text-to-number conversion raises EConvertError.
// Both are checked before anything changes, so a refused operation leaves
// the data as it was.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>

class ERangeError : public std::runtime_error {
 public:
  explicit ERangeError(const std::string &what = "Range check error") : std::runtime_error(what) {}
};

class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string &what) : std::runtime_error(what) {}
};

// Raises ERangeError unless lo <= v <= hi.
template <class V>
inline void CheckRange(V v, V lo, V hi, const char *what = "Range check error") {
  if (v < lo || v > hi) throw ERangeError(what);
}

// Narrowing conversion that raises ERangeError instead of wrapping.
template <class To, class From>
inline To RangeCast(From v) {
  static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
  if constexpr (std::is_signed_v<From> == std::is_signed_v<To>) {
    if (v < static_cast<From>(std::numeric_limits<To>::min()) && sizeof(From) > sizeof(To))
      throw ERangeError();
    if (sizeof(From) > sizeof(To) && v > static_cast<From>(std::numeric_limits<To>::max()))
      throw ERangeError();
  } else if constexpr (std::is_signed_v<From>) {
    if (v < 0) throw ERangeError();
    if (static_cast<std::make_unsigned_t<From>>(v) > std::numeric_limits<To>::max()) throw ERangeError();
  } else {
    if (v > static_cast<std::make_unsigned_t<To>>(std::numeric_limits<To>::max())) throw ERangeError();
  }
  return static_cast<To>(v);
}
