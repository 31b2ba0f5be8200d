// The shipped language files, read and written back through the program's own loader.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "access/Templates.h"
#include "app/Dispatch.h"
#include "app/MenuTree.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"
#include "lang/Lang.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

#ifndef TONDRIAL_DATA_DIR
#error "TONDRIAL_DATA_DIR must name the data folder"
#endif

namespace {

const char* const kShipped[] = {"français", "english"};

std::map<std::string, std::string> TableByKey() {
  std::map<std::string, std::string> m;
  for (const auto& e : LangTable()) m[e.Key] = e.Text;
  return m;
}

std::vector<std::string> Lines(const std::string& utf16File) {
  std::string body = text::FromUtf16LE(std::string_view(utf16File).substr(2));
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < body.size()) {
    size_t end = body.find("\r\n", pos);
    if (end == std::string::npos) end = body.size();
    lines.push_back(body.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

}  // namespace

class LangFilesTest : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    // A private copy: saving replaces the files, and the source tree must stay untouched.
    App.MainPath = testenv::FreshFolder("prog");
    std::filesystem::copy(std::string(TONDRIAL_DATA_DIR) + "Lang", App.MainPath + "Lang",
                          std::filesystem::copy_options::recursive);
  }
};

TEST_F(LangFilesTest, ShippedFilesSurviveASaveUnchanged) {
  for (const char* name : kShipped) {
    SCOPED_TRACE(name);
    ResetLang();
    ASSERT_TRUE(LoadLanguageFile(name, true));
    const auto before = TableByKey();
    EXPECT_GT(before.size(), 400u);
    // The file as written by hand-tools and as the loader sees it hold the same entries.
    EXPECT_EQ(ParseLanguageText(testenv::ReadBytes(LanguageFilePath(name))).size(), before.size());

    ASSERT_TRUE(SaveLanguageFile(name));
    EXPECT_FALSE(std::filesystem::exists(LanguageFilePath(name) + ".New"));
    const std::string saved = testenv::ReadBytes(LanguageFilePath(name));
    ASSERT_EQ(saved.rfind("\xFF\xFE", 0), 0u) << "no UTF-16 LE byte-order mark";
    const auto lines = Lines(saved);
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[0], "; Lang for Tondrial V:0,4,1210,2500");
    EXPECT_EQ(lines[2], std::string("; Lang = ") + name);
    EXPECT_EQ(lines[3].rfind("MWT-Author=", 0), 0u);
    EXPECT_EQ(lines[4], "");

    ResetLang();
    ASSERT_TRUE(LoadLanguageFile(name, true));
    EXPECT_EQ(TableByKey(), before);
  }
}

TEST_F(LangFilesTest, StartUpInEnglishLeavesNoFrenchTextBehind) {
  // Start-up order: the base language, then the chosen one laid over it.
  ASSERT_EQ(LoadLanguage(""), "français");
  const auto french = TableByKey();
  ASSERT_EQ(LoadLanguage(" English "), "english");
  for (const auto& e : LangTable())
    EXPECT_EQ(text::FindNoCase(e.Text, kFrenchMarker), std::string::npos) << "untranslated: " << e.Key;
  EXPECT_EQ(LangTable().size(), french.size()) << "English has keys the French base lacks";

  // A few texts as the program shows them, substitutions and context labels included.
  EXPECT_EQ(Lang("Menu\\Effects.Number", "3"), "Effect 3");
  EXPECT_EQ(Lang("Say.NbAdded", "12"), "Tracks added: 12");
  EXPECT_EQ(Lang("Say.Volume") + "80%", "Volume 80%");
  EXPECT_EQ(Lang("Effects\\Echo2.\tfDelay"), "Delay");
  EXPECT_EQ(Lang("State.BookReaded", "15"), "15% read");
  EXPECT_EQ(Lang("CNV\\Msg.NewVersion", "0,5"), "Version 0,5 is available.\r\nOpen its web page?");

  ASSERT_EQ(LoadLanguage("français"), "français");
  EXPECT_EQ(Lang("Say.NbAdded", "12"), "Pistes ajoutées : 12");
  EXPECT_EQ(Lang("State.BookReaded", "15"), "Lu à 15 %");
  EXPECT_EQ(Lang("Effects\\AutoWah.\tfRange"), "Amplitude");
  EXPECT_EQ(TableByKey(), french);
}

TEST_F(LangFilesTest, LanguageListOffersBothShippedLanguagesFrenchFirst) {
  const auto names = LanguageNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "français");
  EXPECT_EQ(names[1], "english");
}

TEST_F(LangFilesTest, MenusShowNoRawKeyInEitherLanguage) {
  for (const char* chosen : {"français", "english"}) {
    SCOPED_TRACE(chosen);
    ResetLang();
    LoadLanguage("");
    LoadLanguage(chosen);
    std::vector<MenuNode> all = MenuItems(MainMenuTree(true));
    for (const auto& n : MenuItems(SystrayMenuTree())) all.push_back(n);
    EXPECT_GT(all.size(), 80u);
    // A key the menus asked for and no file defines joins the table with an empty text;
    // a key only the French file defines carries the French marker.
    for (const auto& e : LangTable()) {
      EXPECT_FALSE(e.Text.empty()) << "shown as a raw key: " << e.Key;
      EXPECT_EQ(text::FindNoCase(e.Text, kFrenchMarker), std::string::npos) << "left in French: " << e.Key;
    }
    for (const auto& n : all) EXPECT_EQ(n.text.find('\\'), std::string::npos) << n.text;
  }
}

namespace {
// What the help and what's-new commands put on screen.
class TextShell : public Shell {
 public:
  std::string title, text;
  int MessageRequester(const std::string& t, const std::string& x, int) override {
    title = t, text = x;
    return 0;
  }
  void ShowTextWindow(const std::string& t, const std::string& x) override { title = t, text = x; }
};
}  // namespace

TEST_F(LangFilesTest, TemplatesFollowTheLanguageUntilTheUserChangesThem) {
  RegisterSettings();
  LoadLanguage("");
  LoadLanguage("english");
  EXPECT_EQ(FormatTime(75, TemplateText(setting::SayTime)), "1 minute 15 seconds");
  EXPECT_EQ(FormatTime(3725, TemplateText(setting::DisplayTime)), "1h2m5s");
  // The stored default is still the French text: it is the default that follows the language.
  const std::string frenchDefault = GetMWValue(setting::SayTime);
  EXPECT_EQ(TemplateToStore(setting::SayTime, TemplateText(setting::SayTime)), frenchDefault);
  EXPECT_EQ(TemplateToStore(setting::SayTime, "%ss s"), "%ss s");
  SetMWValue(setting::SayTime, "%ss s");
  EXPECT_EQ(TemplateText(setting::SayTime), "%ss s");
  // A language without the texts (an old translation) keeps the French defaults.
  SetMWValue(setting::SayTime, frenchDefault);
  ResetLang();
  LoadLanguage("");
  EXPECT_EQ(FormatTime(75, TemplateText(setting::SayTime)), "1minute 15 secondes");
  EXPECT_EQ(TemplateText(setting::NormalStatus), "%PT sur %CT, %PN");
  // Not a template: the stored value, never a language text.
  EXPECT_EQ(TemplateText(setting::MyMusicFolder), "");
}

TEST_F(LangFilesTest, HelpAndHistoryInTheLanguageElseInFrench) {
  TextShell shell;
  SetShell(&shell);
  const std::string data = TONDRIAL_DATA_DIR;
  for (const char* f : {"Tondrial-Help.Txt", "Historique.txt", "Tondrial-Help-English.Txt", "History.txt"})
    std::filesystem::copy(data + f, App.MainPath + f);
  LoadLanguage("");
  LoadLanguage("english");
  ShowHelp();
  EXPECT_EQ(shell.title, "Tondrial help");
  EXPECT_NE(shell.text.find("What Tondrial is for"), std::string::npos);
  ShowWhatsNew();
  EXPECT_NE(shell.text.find("Tondrial history"), std::string::npos);
  // Without the English files, the French ones.
  std::filesystem::remove(App.MainPath + "Tondrial-Help-English.Txt");
  std::filesystem::remove(App.MainPath + "History.txt");
  ShowHelp();
  EXPECT_NE(shell.text.find("Aide de Tondrial"), std::string::npos);
  ShowWhatsNew();
  EXPECT_NE(shell.text.find("Historique de Tondrial"), std::string::npos);
  // No help at all: the message, in the language.
  std::filesystem::remove(App.MainPath + "Tondrial-Help.Txt");
  ShowHelp();
  EXPECT_EQ(shell.text, "No help available.");
  ResetLang();
  LoadLanguage("");
  ShowHelp();
  EXPECT_EQ(shell.text, "Pas d'aide !");
}
