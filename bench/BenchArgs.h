#pragma once
// Command lines of the benchmarks: an unknown or misplaced argument shows
// the usage line and ends the program with status 2.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void Usage(const char *usage) {
  std::fprintf(stderr, "usage: %s\n", usage);
  std::exit(2);
}

// A whole decimal number in lo..hi; anything else is a usage error.
inline long NumberArg(const char *text, long lo, long hi, const char *usage) {
  char *end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || v < lo || v > hi) Usage(usage);
  return v;
}

// An option's name, not a file: "-" followed by anything.
inline bool IsOption(const char *text) { return text[0] == '-' && text[1] != '\0'; }
