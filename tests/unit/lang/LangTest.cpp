#include <gtest/gtest.h>

#include "app/TextUtil.h"
#include "common/TestEnv.h"
#include "lang/Lang.h"

namespace {
std::string Utf16File(const std::string& body) { return std::string("\xFF\xFE", 2) + text::ToUtf16LE(body); }
}  // namespace

class LangTest : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    App.MainPath = testenv::FreshFolder("prog");
  }
  void WriteLang(const std::string& name, const std::string& bytes) {
    testenv::WriteBytes(LanguageFilePath(name), bytes);
  }
};

TEST_F(LangTest, MissingKeyShowsItselfAndJoinsTheTable) {
  EXPECT_EQ(LoadLanguage(""), "français");  // no file: nothing loaded, no failure
  EXPECT_EQ(Lang("Menu.File"), "Menu.File");
  ASSERT_EQ(LangTable().size(), 1u);
  EXPECT_EQ(LangTable()[0].Key, "Menu.File");
  EXPECT_EQ(LangTable()[0].Text, "");
  EXPECT_EQ(Lang("MENU.FILE"), "MENU.FILE");  // same entry: the table keeps the first spelling
  EXPECT_EQ(LangTable().size(), 1u);
}

TEST_F(LangTest, TranslationFallsBackToFrenchWithoutTheMarker) {
  WriteLang("français", Utf16File("; c\r\nSay.Volume=Volume %s1%\r\nMenu.File=Fichier\r\n"));
  WriteLang("english", std::string("\xEF\xBB\xBF") + "Menu.File=File\n");
  EXPECT_EQ(LoadLanguage(""), "français");
  EXPECT_EQ(LoadLanguage("  English "), "english");
  EXPECT_EQ(Lang("Menu.File"), "File");
  EXPECT_EQ(Lang("say.volume", "80%"), "Volume 80%");
  // Reloading the base clears the markers.
  LoadLanguage("français");
  EXPECT_EQ(Lang("Menu.File"), "Fichier");
  for (const auto& e : LangTable()) EXPECT_EQ(text::FindNoCase(e.Text, "(fr)"), std::string::npos);
}

TEST_F(LangTest, SubstitutionsAndMarkers) {
  LangTable().push_back({"A", "x%S1%y%s2%%w%z"});
  LangTable().push_back({"B", "(FR)hidden"});
  LangTable().push_back({"C", "shown(fr) tail"});
  LangTable().push_back({"D", "%s1%"});
  SortLangTable();
  EXPECT_EQ(Lang("A", "1", "2"), "x1y2\r\nz");
  EXPECT_EQ(Lang("B"), "");
  EXPECT_EQ(Lang("C"), "shown");
  // A substitution holding a later placeholder is replaced again by the later step.
  EXPECT_EQ(Lang("D", "%s2%", "two"), "two");
}

TEST_F(LangTest, FileParsingRules) {
  WriteLang("français", "  Key.One  =   text with trailing   \r"
                         "Key.Two=a=b\n"
                         "\n"
                         ";Key.Comment=no\r\n"
                         "LoneKey\r\n"
                         "   =empty key\r\n"
                         "Caf\xE9=ansi");
  ASSERT_TRUE(LoadLanguageFile("français", true));
  EXPECT_EQ(Lang("Key.One"), "text with trailing   ");
  EXPECT_EQ(Lang("Key.Two"), "a=b");
  EXPECT_EQ(Lang("LoneKey"), "LoneKey");
  EXPECT_EQ(Lang("Café"), "ansi");
  for (const auto& e : LangTable()) EXPECT_NE(e.Key, ";Key.Comment");
  EXPECT_FALSE(LoadLanguageFile("missing", false));
  // A file of a hundred thousand one-letter lines is not a language file: reading stops.
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += "k" + std::to_string(i) + "\n";
  EXPECT_EQ(ParseLanguageText(lines).size(), 50000u);
  // An overlong line feed inside a text stays one entry when saved and read again.
  auto odd = ParseLanguageText("\xEF\xBB\xBFKey.Odd=a\xC0\x8A" "b=c\r\n");
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_EQ(ParseLanguageText(LanguageFileBytes("x", odd)).size(), 1u);
}

TEST_F(LangTest, SaveWritesSortedUtf16AndReplacesTheOldFile) {
  WriteLang("english", Utf16File("b=2\r\n"));
  LangTable() = {{"zeta", "z"}, {"MWT-Author", "Me"}, {"Alpha", "a"}, {"beta", "b (fr)"}};
  ASSERT_TRUE(SaveLanguageFile("english"));
  EXPECT_FALSE(fileutil::Exists(LanguageFilePath("english") + ".New"));
  std::string raw = testenv::ReadBytes(LanguageFilePath("english"));
  ASSERT_EQ(raw.rfind("\xFF\xFE", 0), 0u);
  std::string t = text::FromUtf16LE(raw.substr(2));
  EXPECT_EQ(t.rfind("; Lang for Tondrial V:0,4,1210,2500\r\n; ", 0), 0u);
  EXPECT_NE(t.find("\r\n; Lang = english\r\nMWT-Author=Me\r\n\r\nAlpha=a\r\nbeta=b (fr)\r\nzeta=z\r\n"),
            std::string::npos);
  // Round trip: the same entries come back.
  auto back = ParseLanguageText(raw);
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[0].Key, "MWT-Author");
  EXPECT_EQ(back[2].Text, "b (fr)");
}

TEST_F(LangTest, SavingANewLanguageCreatesItsFile) {
  WriteLang("français", "k=v");
  LangTable() = {{"k", "v"}};
  EXPECT_TRUE(SaveLanguageFile("newlang"));
  EXPECT_FALSE(fileutil::Exists(LanguageFilePath("newlang") + ".New"));
  ASSERT_TRUE(fileutil::Exists(LanguageFilePath("newlang")));
  LangTable().clear();
  LoadLanguage("newlang");
  EXPECT_EQ(Lang("k"), "v");
}

TEST_F(LangTest, LanguageListPutsFrenchFirst) {
  WriteLang("aaa", "x=y");
  WriteLang("Deutsch", "x=y");
  WriteLang("français", "x=y");
  testenv::WriteBytes(LanguageFolder() + "notes.txt", "x");
  auto names = LanguageNames();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "français");
  EXPECT_EQ(LanguageIndex(names, "DEUTSCH"), static_cast<int>(std::find(names.begin(), names.end(), "deutsch") - names.begin()));
  EXPECT_EQ(LanguageIndex(names, "klingon"), 0);
}
