// Titles read from the tag texts of streams.
#include <gtest/gtest.h>

#include "audio/StreamTags.h"

namespace {

TEST(StreamTags, ShoutcastFieldsGiveTheTitleWithoutItsOuterQuotes) {
  EXPECT_EQ(TitleFromMeta("StreamTitle='Artist - Song';StreamUrl='';"), "Artist - Song");
  EXPECT_EQ(TitleFromMeta("StreamUrl='x'; streamtitle ='It's here'"), "It's here");
  EXPECT_EQ(TitleFromMeta("StreamTitle=a=b"), "a=b");
  EXPECT_EQ(TitleFromMeta("StreamUrl='x';"), "");
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
