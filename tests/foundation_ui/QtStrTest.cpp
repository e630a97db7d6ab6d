#include <gtest/gtest.h>

#include "foundation/ui/QtStr.h"

TEST(QtStr, AllBytesRoundTripThroughQString) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  QString q = ToQ(all);
  ASSERT_EQ(q.size(), 256);
  EXPECT_EQ(q.at(0x80), QChar(0x20AC));
  EXPECT_EQ(q.at(0xE9), QChar(0xE9));
  EXPECT_EQ(FromQ(q), all);
  EXPECT_EQ(FromQ(QString::fromUtf8("\xe4\xb8\xad")), "?");
}
