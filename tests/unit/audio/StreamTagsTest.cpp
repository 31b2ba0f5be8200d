// Titles read from the tag texts of streams.
#include <gtest/gtest.h>

#include "audio/StreamTags.h"

namespace {

TEST(StreamTags, ShoutcastFieldsGiveTheTitleWithoutItsOuterQuotes) {
  EXPECT_EQ(TitleFromMeta("StreamTitle='Artist - Song';StreamUrl='';"), "Artist - Song");
  EXPECT_EQ(TitleFromMeta("StreamUrl='x'; streamtitle ='It's here'"), "It's here");
  EXPECT_EQ(TitleFromMeta("StreamTitle=a=b"), "a=b");
  EXPECT_EQ(TitleFromMeta("StreamUrl='x';"), "");
  // A quoted value is taken whole: ";" and quotes inside it are part of the title.
  EXPECT_EQ(TitleFromMeta("StreamTitle='Part one; part two';StreamUrl='';"), "Part one; part two");
  EXPECT_EQ(TitleFromMeta("StreamUrl='a;b';StreamTitle='Rock 'n' roll; live';"), "Rock 'n' roll; live");
  EXPECT_EQ(TitleFromMeta("StreamTitle='Ends at the block';  "), "Ends at the block");
  EXPECT_EQ(TitleFromMeta("StreamTitle='Never closed; really"), "Never closed; really");
  EXPECT_EQ(TitleFromMeta("StreamTitle='';"), "");
  // Without quotes the value still ends at the first ";".
  EXPECT_EQ(TitleFromMeta("StreamTitle=Part one; part two;"), "Part one");
  // Latin-1 titles are read as such; UTF-8 ones stay.
  EXPECT_EQ(TitleFromMeta("StreamTitle='Caf\xE9 cr\xE8me';"), "Café crème");
  EXPECT_EQ(TitleFromMeta("StreamTitle='Café';"), "Café");
}

TEST(StreamTags, CommentEntriesFindTheTitleAfterMultiByteTexts) {
  std::string title;
  const char kOgg[] = "ARTIST=Zoé Ça\0TITLE=x\0GENRE=y\0\0";
  EXPECT_TRUE(TitleFromEntries(kOgg, title));
  EXPECT_EQ(title, "x");
  const char kAccented[] = "title=Été à Paris\0\0";
  EXPECT_TRUE(TitleFromEntries(kAccented, title));
  EXPECT_EQ(title, "Été à Paris");
  title = "kept";
  const char kNone[] = "ARTIST=y\0\0";
  EXPECT_FALSE(TitleFromEntries(kNone, title));
  EXPECT_EQ(title, "kept");
}
}  // namespace
