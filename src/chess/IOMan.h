#pragma once
// Character sources and sinks of the chess text readers and writers.
//
// InputO reads a text file or a private copy of a zero-terminated text one
// character at a time, with look-ahead and push-back, and counts characters
// and lines for error messages. OutputO writes to a file, to a line-wrapping
// buffer of 10000 characters, or to a string.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Files.h"

class InputO {
 public:
  static constexpr int kMaxPushed = 100;

  InputO() = default;
  ~InputO() { Done(); }
  InputO(const InputO &) = delete;
  InputO &operator=(const InputO &) = delete;

  // Kind 1: a copy of the text up to its first zero byte.
  void InitPChar(const char *text);
  void InitString(const std::string &text);
  // Kind 0: false when the file cannot be opened (Error() has errno).
  bool InitFile(const std::string &path);
  void Done();

  uint8_t Kind() const { return kind_; }
  bool Eof() {
    if (kind_ != 1 && (pushedCount_ > 0 || bufPos_ < bufLen_)) return false;
    return EofSlow();
  }
  // The next character; past the end '\0' (still counted, so that an
  // UnreadChar of it keeps both kinds in step).
  char ReadChar() {
    if (kind_ != 1 && pushedCount_ > 0) {
      ++charCount_;
      return pushed_[--pushedCount_];
    }
    return ReadCharSlow();
  }
  // Kind 0 pushes c (at most 100 waiting, more is a range error); kind 1
  // steps back one position (at the start nothing happens).
  void UnreadChar(char c);
  // The n-th coming character (n in 1..100), '\0' past the end.
  char PeekChar(int n) {
    if (n == 1 && kind_ != 1) {
      // The reader's usual look-ahead, leaving the state a read and an
      // unread would: a character from the buffer is counted and pushed
      // back.
      if (pushedCount_ > 0) return pushed_[pushedCount_ - 1];
      if (bufPos_ < bufLen_) {
        const char c = fileBuf_[bufPos_++];
        CountLine(c);
        pushed_[pushedCount_++] = c;
        return c;
      }
    }
    return PeekCharSlow(n);
  }
  // Up to n (0..100) coming characters, fewer at the end; nothing consumed.
  std::string PeekString(int n);
  std::string ReadChars(int n);
  // Not at the end and the next characters equal s (at most 100) exactly.
  bool Matches(const std::string &s);
  // Skips line feeds, carriage returns and spaces (not tabs).
  bool SkipBlanks();
  // Decimal digits; when there were any and they fit 32 bits the number is
  // stored and the blanks after it are skipped. A longer number is consumed
  // and answers false.
  bool ReadNumber(int32_t &value);

  int64_t LineNr() const { return lineCount_; }
  int64_t CharNr() const { return charCount_; }
  // errno of a failed open or read of a file; 0 otherwise.
  int Error() const { return error_; }

 private:
  // A character taken from the source itself (not from push-back); -1 at
  // the end. Counts line ends.
  int FromSource();
  // Reads the next chunk of the file; false at its end or on an error.
  bool FillBuffer();
  void CountLine(char c) {
    // CR LF, LF and a lone CR each end one line.
    if (c == '\r' || (c == '\n' && lastChar_ != '\r')) ++lineCount_;
    lastChar_ = c;
  }
  bool EofSlow();
  char ReadCharSlow();
  char PeekCharSlow(int n);

  uint8_t kind_ = 1;
  BinFile file_;
  std::vector<char> fileBuf_;
  size_t bufPos_ = 0;
  size_t bufLen_ = 0;
  bool fileEnd_ = false;
  int32_t pushedCount_ = 0;
  char pushed_[kMaxPushed] = {};
  char lastChar_ = 0;
  std::string text_;
  int64_t position_ = 0;   // kind 1; may pass the end by the characters read there
  int64_t highWater_ = 0;  // kind 1; characters read for the first time
  int64_t pastEnd_ = 0;    // kind 0; reads at the end not yet unread
  int64_t charCount_ = 0;
  int64_t lineCount_ = 0;
  int error_ = 0;
};

class OutputO {
 public:
  static constexpr int kBufferSize = 10000;

  OutputO() = default;
  // A file sink not finished with Done is dropped: the original stays.
  ~OutputO() { Abandon(); }
  OutputO(const OutputO &) = delete;
  OutputO &operator=(const OutputO &) = delete;

  // Kind 0: writes a temporary file beside path that Done renames over it,
  // so a failed write leaves the original as it was. False when the
  // temporary file cannot be created.
  bool InitFile(const std::string &path);
  // Kind 1: the wrapping buffer with the given line width.
  void InitBuffer(int32_t width);
  // Kind 3.
  void InitString();
  // Kind 0: true when every write succeeded and the file is in place;
  // beforeRename as TempSibling::Commit takes it.
  bool Done(const std::function<bool()> &beforeRename = {});
  // Kind 0: drops the temporary file and keeps the original.
  void Abandon();

  uint8_t Kind() const { return kind_; }
  // Kind 3 the result, kind 1 the buffer's text.
  std::string GetString() const;
  void Write(const std::string &text);
  void WriteLn(const std::string &text);
  void NewLine();
  void LineBreak();
  void AppendWrapped(const std::string &text);
  // Takes what fits in the buffer; the rest is dropped and Truncated() set.
  void Append(const std::string &text);

  int32_t Width() const { return width_; }
  int32_t Column() const { return column_; }
  int32_t Length() const { return length_; }
  bool Truncated() const { return truncated_; }
  bool Failed() const { return failed_; }
  int Error() const { return error_; }

 private:
  void FileWrite(const char *p, size_t n);
  void FlushFile();

  uint8_t kind_ = 3;
  files::TempSibling file_;
  std::string path_;
  std::string fileBuf_;
  std::string result_;
  int32_t width_ = 80;
  int32_t column_ = 0;
  char buffer_[kBufferSize + 1] = {};
  int32_t length_ = 0;
  bool truncated_ = false;
  bool failed_ = false;
  int error_ = 0;
};
