#include <gtest/gtest.h>

#include <filesystem>

#include "app/HeadlessShell.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"
#include "lang/Lang.h"
#include "lang/LangEditor.h"

using namespace langedit;

namespace {
std::string Utf16File(const std::string& body) { return std::string("\xFF\xFE", 2) + text::ToUtf16LE(body); }

std::string Row(LangEditor& ed, int row) { return ed.List().Text(row, 0); }

const LangEntry* Entry(const std::string& key) {
  for (const auto& e : LangTable())
    if (text::EqualsNoCase(e.Key, key)) return &e;
  return nullptr;
}
}  // namespace

class LangEditorTest : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    App.MainPath = testenv::FreshFolder("prog");
    SetShell(&shell);
  }
  void WriteLang(const std::string& name, const std::string& bytes) {
    testenv::WriteBytes(LanguageFilePath(name), bytes);
  }
  HeadlessShell shell;
};

TEST_F(LangEditorTest, ListsTheSortedTableAndShowsTheSelectedText) {
  LangTable().push_back({"Say.Volume", "Volume %s1%"});
  LangTable().push_back({"Menu.File", "File"});
  LangTable().push_back({"MWT-Author", "Someone"});
  LangEditor ed("english");
  ed.Fill(0);
  ASSERT_EQ(ed.List().Count(), 3);
  EXPECT_EQ(Row(ed, 0), "MWT-Author = Someone");
  EXPECT_EQ(Row(ed, 1), "Menu.File = File");
  EXPECT_EQ(Row(ed, 2), "Say.Volume = Volume %s1%");
  // The table itself was sorted, and each row carries its entry's position.
  EXPECT_EQ(LangTable()[1].Key, "Menu.File");
  EXPECT_EQ(ed.List().Data(2), 2);
  ed.ShowSelected();
  EXPECT_EQ(ed.FieldText(), "Someone");
  ed.List().UserSelection({2}, 2);
  EXPECT_FALSE(ed.Event(kList, kList, ""));
  EXPECT_EQ(ed.FieldText(), "Volume %s1%");
  // A key looked up while the editor is open joins the table and the next fill.
  Lang("About.Title");
  ed.Fill(0);
  EXPECT_EQ(Row(ed, 0), "About.Title = ");
}

TEST_F(LangEditorTest, EmptyEntriesAndTheirSearch) {
  EXPECT_TRUE(LangEditor::IsEmptyItem("A = "));
  EXPECT_TRUE(LangEditor::IsEmptyItem("A =    "));
  EXPECT_TRUE(LangEditor::IsEmptyItem("A = Fichier(FR)"));
  EXPECT_TRUE(LangEditor::IsEmptyItem("A == File"));  // edited in this session
  EXPECT_FALSE(LangEditor::IsEmptyItem("A = File"));
  EXPECT_FALSE(LangEditor::IsEmptyItem("A = x = y"));

  for (const char* k : {"A", "B", "C", "D", "E"}) LangTable().push_back({k, "done"});
  LangTable()[1].Text = "";            // B
  LangTable()[3].Text = "Texte(fr)";   // D
  LangEditor ed("english");
  ed.Fill(1);  // B selected
  // From the list, the search skips the selected row; from a button it may stop there.
  EXPECT_FALSE(ed.Event(kCmdNext, kList, ""));  // the editor stays open
  EXPECT_EQ(ed.List().FirstSelected(), 3);
  EXPECT_EQ(ed.FieldText(), "Texte(fr)");
  EXPECT_TRUE(ed.listFocusWanted);
  ed.Event(kNext, kNext, "");
  EXPECT_EQ(ed.List().FirstSelected(), 3);
  // Nothing further down: the selection stays.
  ed.Event(kCmdNext, kList, "");
  EXPECT_EQ(ed.List().FirstSelected(), 3);
  ed.Event(kPrior, kList, "");
  EXPECT_EQ(ed.List().FirstSelected(), 1);
  EXPECT_FALSE(ed.FindEmpty(-1, true));
  EXPECT_EQ(ed.List().FirstSelected(), 1);
  // An entry updated now reads as empty to the search too.
  ed.List().UserSelection({4}, 4);
  ed.Event(kUpdate, kUpdate, "new");
  ed.List().UserSelection({3}, 3);
  ed.Event(kCmdNext, kList, "");
  EXPECT_EQ(ed.List().FirstSelected(), 4);
}

TEST_F(LangEditorTest, UpdateChangesTheTableAtOnce) {
  LangTable().push_back({"Menu.File", "Fichier(fr)"});
  LangTable().push_back({"Say.Pause", "Pause"});
  LangEditor ed("english");
  ed.Fill(0);
  EXPECT_EQ(Lang("Menu.File"), "Fichier");
  // Return updates only from the text field or the update button.
  ed.Event(kCmdReturn, kList, "ignored");
  EXPECT_EQ(Entry("Menu.File")->Text, "Fichier(fr)");
  ed.Event(kCmdReturn, kText, "File");
  EXPECT_EQ(Lang("Menu.File"), "File");
  EXPECT_EQ(Row(ed, 0), "Menu.File == File");
  EXPECT_EQ(ed.List().FirstSelected(), 0);
  // A pasted line break is stored as the file's line-break placeholder, never as a new line.
  ed.Event(kUpdate, kUpdate, "one\r\ntwo\nthree");
  EXPECT_EQ(Entry("Menu.File")->Text, "one%w%two%w%three");
  EXPECT_EQ(Lang("Menu.File"), "one\r\ntwo\r\nthree");
  // Nothing selected: nothing changes.
  ed.List().ClearSelection();
  ed.Event(kUpdate, kUpdate, "lost");
  EXPECT_EQ(Entry("Say.Pause")->Text, "Pause");
  // Leaving without saving keeps the edits for the rest of the run.
  EXPECT_TRUE(ed.Event(kQuit, kQuit, ""));
  EXPECT_TRUE(ed.Event(kCmdClose, -1, ""));
  EXPECT_EQ(Entry("Menu.File")->Text, "one%w%two%w%three");
}

TEST_F(LangEditorTest, DeleteSelectsTheRowBefore) {
  for (const char* k : {"A", "B", "C"}) LangTable().push_back({k, std::string("t") + k});
  LangEditor ed("english");
  ed.Fill(2);
  ed.ShowSelected();
  ed.Event(kDelete, kDelete, "");
  ASSERT_EQ(LangTable().size(), 2u);
  EXPECT_EQ(Entry("C"), nullptr);
  EXPECT_EQ(Lang("C"), "C");  // the lookup no longer finds it (and adds it back empty)
  ed.Fill(0);
  ed.ShowSelected();
  ed.Event(kDelete, kDelete, "");
  // The first entry deleted: nothing selected, the field keeps the deleted text.
  EXPECT_EQ(ed.List().FirstSelected(), -1);
  EXPECT_EQ(ed.FieldText(), "tA");
  EXPECT_EQ(Entry("A"), nullptr);
  EXPECT_EQ(Lang("B"), "tB");  // the index follows the shifted positions
  ed.Event(kDelete, kDelete, "");  // nothing selected: nothing removed
  EXPECT_EQ(LangTable().size(), 2u);
}

// Each encoding a language file may have on disk: edited, saved and loaded again.
TEST_F(LangEditorTest, SaveAndReloadInEveryEncoding) {
  const std::string body8 = "MWT-Author=Anne\r\nMenu.File=Fich\xE9r\r\nSay.Pause=Pause =  \r\nKey.Tab=Tab\r\n";
  const std::string bodyU = "MWT-Author=Anne\r\nMenu.File=Fich\xC3\xA9r\r\nSay.Pause=Pause =  \r\nKey.Tab=Tab\r\n";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"utf16", Utf16File(bodyU)}, {"utf8", "\xEF\xBB\xBF" + bodyU}, {"ansi", body8}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    ResetLang();
    WriteLang(name, bytes);
    ASSERT_EQ(LoadLanguage(name), name);
    Lang("Msg.Info");  // looked up, never defined: saved too
    LangEditor ed(name);
    ed.Fill(0);
    // Rows: Key.Tab, MWT-Author, Menu.File, Msg.Info, Say.Pause
    ed.List().UserSelection({2}, 2);
    ed.Event(kList, kList, "");
    EXPECT_EQ(ed.FieldText(), "Fich\xC3\xA9r");
    ed.Event(kUpdate, kUpdate, "Fichier \xE2\x82\xAC");
    ed.List().UserSelection({0}, 0);
    ed.Event(kDelete, kDelete, "");
    EXPECT_TRUE(ed.Event(kSave, kSave, ""));
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_FALSE(fileutil::Exists(LanguageFilePath(name) + ".New"));

    std::string saved = testenv::ReadBytes(LanguageFilePath(name));
    ASSERT_EQ(saved.rfind("\xFF\xFE", 0), 0u);
    std::string t = text::FromUtf16LE(std::string_view(saved).substr(2));
    EXPECT_EQ(t.rfind("; Lang for Tondrial V:0,4,1210,2500\r\n", 0), 0u);
    EXPECT_NE(t.find("\r\n; Lang = " + name + "\r\nMWT-Author=Anne\r\n\r\nMenu.File="), std::string::npos);

    ResetLang();
    LoadLanguage(name);
    EXPECT_EQ(Lang("Menu.File"), "Fichier \xE2\x82\xAC");
    EXPECT_EQ(Lang("Say.Pause"), "Pause =  ");  // trailing spaces and "=" inside a text kept
    EXPECT_EQ(Lang("MWT-Author"), "Anne");
    EXPECT_EQ(Entry("Key.Tab"), nullptr);
    ASSERT_NE(Entry("Msg.Info"), nullptr);
    EXPECT_EQ(LangTable().size(), 4u);
  }
}

TEST_F(LangEditorTest, AFailedSaveLosesNothingAndKeepsTheEditorOpen) {
  const std::string original = Utf16File("Menu.File=File\r\n");
  WriteLang("english", original);
  LoadLanguage("english");
  LangEditor ed("english");
  ed.Fill(0);
  ed.Event(kUpdate, kUpdate, "Datei");
  // The new file cannot be written: something that is not a file stands in its place.
  std::filesystem::create_directories(LanguageFilePath("english") + ".New");
  EXPECT_FALSE(ed.Event(kSave, kSave, ""));
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].title, "Error");
  EXPECT_EQ(shell.messages[0].text, "Can't save file !");
  EXPECT_EQ(testenv::ReadBytes(LanguageFilePath("english")), original);
  EXPECT_EQ(Lang("Menu.File"), "Datei");
  // Once the obstacle is gone, the same edit is saved.
  std::filesystem::remove(LanguageFilePath("english") + ".New");
  EXPECT_TRUE(ed.Event(kSave, kSave, ""));
  ResetLang();
  LoadLanguage("english");
  EXPECT_EQ(Lang("Menu.File"), "Datei");

  // A language without a file of its own gets its first file.
  shell.messages.clear();
  LangEditor fresh("deutsch");
  fresh.Fill(0);
  EXPECT_TRUE(fresh.Event(kSave, kSave, ""));
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_FALSE(fileutil::Exists(LanguageFilePath("deutsch") + ".New"));
  std::string saved = testenv::ReadBytes(LanguageFilePath("deutsch"));
  EXPECT_NE(text::FromUtf16LE(std::string_view(saved).substr(2)).find("Menu.File=Datei\r\n"), std::string::npos);

  // No language folder at all.
  std::filesystem::remove_all(LanguageFolder());
  shell.messages.clear();
  EXPECT_FALSE(ed.Event(kSave, kSave, ""));
  EXPECT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(Lang("Menu.File"), "Datei");
}
