#include "chess/IOMan.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Errors.h"

namespace {
constexpr size_t kFileChunk = 64 * 1024;
}

// ---------------------------------------------------------------- InputO

void InputO::InitPChar(const char *text) { InitString(text ? std::string(text) : std::string()); }

void InputO::InitString(const std::string &text) {
  Done();
  kind_ = 1;
  size_t end = text.find('\0');
  text_ = end == std::string::npos ? text : text.substr(0, end);
}

bool InputO::InitFile(const std::string &path) {
  Done();
  kind_ = 0;
  if (!file_.Open(path, BinFile::Mode::Read)) {
    error_ = file_.Error();
    fileEnd_ = true;
    return false;
  }
  fileBuf_.resize(kFileChunk);
  return true;
}

void InputO::Done() {
  file_.Close();
  fileBuf_.clear();
  fileBuf_.shrink_to_fit();
  bufPos_ = bufLen_ = 0;
  fileEnd_ = false;
  pushedCount_ = 0;
  lastChar_ = 0;
  text_.clear();
  position_ = highWater_ = pastEnd_ = 0;
  charCount_ = lineCount_ = 0;
  error_ = 0;
  kind_ = 1;
}

bool InputO::FillBuffer() {
  if (fileEnd_ || !file_.IsOpen()) return false;
  int64_t got = file_.ReadSome(fileBuf_.data(), fileBuf_.size());
  if (got <= 0) {
    if (got < 0) error_ = file_.Error();
    fileEnd_ = true;
    return false;
  }
  bufPos_ = 0;
  bufLen_ = static_cast<size_t>(got);
  return true;
}

int InputO::FromSource() {
  if (bufPos_ >= bufLen_ && !FillBuffer()) return -1;
  char c = fileBuf_[bufPos_++];
  CountLine(c);
  return static_cast<unsigned char>(c);
}

bool InputO::EofSlow() {
  if (kind_ == 1) return position_ >= static_cast<int64_t>(text_.size());
  if (pushedCount_ > 0) return false;
  if (bufPos_ < bufLen_) return false;
  // Fill the buffer to learn whether anything follows.
  return !FillBuffer();
}

char InputO::ReadCharSlow() {
  char c = 0;
  if (kind_ == 1) {
    if (position_ < static_cast<int64_t>(text_.size())) {
      c = text_[static_cast<size_t>(position_)];
      if (position_ == highWater_) {
        CountLine(c);
        ++highWater_;
      }
    }
    ++position_;
  } else if (pushedCount_ > 0) {
    c = pushed_[--pushedCount_];
  } else {
    int v = FromSource();
    if (v < 0)
      ++pastEnd_;
    else
      c = static_cast<char>(v);
  }
  ++charCount_;
  return c;
}

void InputO::UnreadChar(char c) {
  if (kind_ == 1) {
    if (position_ == 0) return;
    --position_;
  } else if (pushedCount_ == 0 && pastEnd_ > 0) {
    // A read at the end gave nothing to push back.
    --pastEnd_;
  } else {
    if (pushedCount_ >= kMaxPushed) throw ERangeError("InputO.UnreadChar: push-back is full");
    pushed_[pushedCount_++] = c;
  }
  --charCount_;
}

char InputO::PeekCharSlow(int n) {
  CheckRange(n, 1, kMaxPushed, "InputO.PeekChar");
  if (kind_ == 1) {
    int64_t i = position_ + n - 1;
    return i < static_cast<int64_t>(text_.size()) ? text_[static_cast<size_t>(i)] : '\0';
  }
  char got[kMaxPushed];
  for (int i = 0; i < n; ++i) got[i] = ReadChar();
  for (int i = n - 1; i >= 0; --i) UnreadChar(got[i]);
  return got[n - 1];
}

std::string InputO::PeekString(int n) {
  CheckRange(n, 0, kMaxPushed, "InputO.PeekString");
  std::string s;
  if (kind_ == 1) {
    int64_t len = static_cast<int64_t>(text_.size());
    if (position_ < len) s = text_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
    return s;
  }
  char got[kMaxPushed];
  int real = 0;
  for (int i = 0; i < n; ++i) {
    if (Eof()) break;
    got[real++] = ReadChar();
  }
  s.assign(got, static_cast<size_t>(real));
  for (int i = real - 1; i >= 0; --i) UnreadChar(got[i]);
  return s;
}

std::string InputO::ReadChars(int n) {
  std::string s;
  for (int i = 0; i < n && !Eof(); ++i) s += ReadChar();
  return s;
}

bool InputO::Matches(const std::string &s) {
  CheckRange<size_t>(s.size(), 0, kMaxPushed, "InputO.Matches");
  if (Eof()) return false;
  return PeekString(static_cast<int>(s.size())) == s;
}

bool InputO::SkipBlanks() {
  bool any = false;
  while (!Eof()) {
    char c = PeekChar(1);
    if (c != '\n' && c != '\r' && c != ' ') break;
    ReadChar();
    any = true;
  }
  return any;
}

bool InputO::ReadNumber(int32_t &value) {
  int64_t v = 0;
  bool any = false, tooBig = false;
  while (!Eof()) {
    char c = PeekChar(1);
    if (c < '0' || c > '9') break;
    ReadChar();
    any = true;
    if (!tooBig) {
      v = v * 10 + (c - '0');
      if (v > INT32_MAX) tooBig = true;
    }
  }
  if (!any || tooBig) return false;
  value = static_cast<int32_t>(v);
  SkipBlanks();
  return true;
}

// ---------------------------------------------------------------- OutputO

bool OutputO::InitFile(const std::string &path) {
  Abandon();
  kind_ = 0;
  path_ = path;
  // What an export killed before its rename left beside the file.
  files::RemoveDeadTempSiblings({path});
  if (!file_.Create(path)) {
    error_ = file_.Error();
    failed_ = true;
    return false;
  }
  return true;
}

void OutputO::InitBuffer(int32_t width) {
  Abandon();
  kind_ = 1;
  width_ = width;
}

void OutputO::InitString() {
  Abandon();
  kind_ = 3;
}

bool OutputO::Done(const std::function<bool()> &beforeRename) {
  bool ok = !failed_;
  if (kind_ == 0 && file_.IsOpen()) {
    FlushFile();
    if (!failed_ && !file_.Commit(beforeRename)) {
      failed_ = true;
      error_ = file_.Error();
    }
    file_.Abandon();
    ok = !failed_;
  }
  fileBuf_.clear();
  path_.clear();
  result_.clear();
  column_ = length_ = 0;
  buffer_[0] = '\0';
  truncated_ = failed_ = false;
  kind_ = 3;
  return ok;
}

void OutputO::Abandon() {
  if (kind_ == 0) file_.Abandon();
  Done();
}

std::string OutputO::GetString() const {
  if (kind_ == 1) return std::string(buffer_, static_cast<size_t>(length_));
  return result_;
}

void OutputO::FlushFile() {
  if (!fileBuf_.empty() && !failed_) {
    if (!file_.File().Write(fileBuf_.data(), fileBuf_.size())) {
      failed_ = true;
      error_ = file_.File().Error();
    }
  }
  fileBuf_.clear();
}

void OutputO::FileWrite(const char *p, size_t n) {
  if (failed_ || !file_.IsOpen()) return;
  fileBuf_.append(p, n);
  if (fileBuf_.size() >= kFileChunk) FlushFile();
}

void OutputO::Write(const std::string &text) {
  switch (kind_) {
    case 0:
      FileWrite(text.data(), text.size());
      break;
    case 1:
      AppendWrapped(text);
      break;
    default:
      result_ += text;
      break;
  }
}

void OutputO::WriteLn(const std::string &text) {
  Write(text);
  NewLine();
}

void OutputO::NewLine() {
  switch (kind_) {
    case 0:
      FileWrite("\r\n", 2);
      break;
    case 1:
      LineBreak();
      break;
    default:
      result_ += "\r\n";
      break;
  }
}

void OutputO::LineBreak() {
  column_ = 0;
  Append("\r\n");
}

void OutputO::AppendWrapped(const std::string &text) {
  int64_t len = static_cast<int64_t>(text.size());
  // At the start of a line a long token simply stands alone.
  if (column_ > 0 && column_ + len > width_) LineBreak();
  column_ = RangeCast<int32_t>(std::min<int64_t>(column_ + len, INT32_MAX));
  Append(text);
}

void OutputO::Append(const std::string &text) {
  size_t room = static_cast<size_t>(kBufferSize - length_);
  size_t n = std::min(room, text.size());
  if (n < text.size()) truncated_ = true;
  std::memcpy(buffer_ + length_, text.data(), n);
  length_ += static_cast<int32_t>(n);
  buffer_[length_] = '\0';
}
