// The About window's text from the author message and the licence file beside the program.
#include <gtest/gtest.h>

#include "app/About.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"

namespace {

class About : public testenv::Fixture {
 protected:
  void SetUp() override {
    testenv::Fixture::SetUp();
    App.MainPath = testenv::FreshFolder("main");
    LangTable().push_back({"About.MessageAuthor", "Tondrial, by its team.%w%"});
    SortLangTable();
  }
};

TEST_F(About, TheLicenceFollowsTheAuthorMessageWithTheProductName) {
  App.AppName = "Tondrial-Portable";  // the instance's name is not the product's
  testenv::WriteBytes(App.MainPath + "License.Txt",
                      "\xFF\xFE" + text::ToUtf16LE("Licence de %1\r\nCopie de %1 libre ; 100 %\r\n"));
  EXPECT_EQ(AboutText(), "Tondrial, by its team.\r\nLicence de Tondrial\r\nCopie de Tondrial libre ; 100 %\r\n");
}

TEST_F(About, WithoutALicenceTheTextEndsAfterTheAuthorMessage) {
  EXPECT_EQ(AboutText(), "Tondrial, by its team.\r\n");
  // An empty file reads as an empty licence.
  testenv::WriteBytes(App.MainPath + "License.Txt", "");
  EXPECT_EQ(AboutText(), "Tondrial, by its team.\r\n");
}

}  // namespace
