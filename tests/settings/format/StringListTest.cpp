#include "settings/format/StringList.h"

#include <gtest/gtest.h>

TEST(StringList, FindsStringsExactlyOrIgnoringLetterCase) {
  TStringList list;
  list.Add("Jingle");
  list.Add("jingle");
  list.Add("Ad");
  EXPECT_EQ(list.IndexOf("jingle"), 1);
  EXPECT_EQ(list.IndexOf("AD"), -1);
  list.SetCaseSensitive(false);
  EXPECT_EQ(list.IndexOf("JINGLE"), 0);
  EXPECT_EQ(list.IndexOf("ad"), 2);
  EXPECT_EQ(list.IndexOf("Promo"), -1);
}
