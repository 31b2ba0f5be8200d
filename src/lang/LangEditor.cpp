#include "lang/LangEditor.h"

#include <utility>

#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"

using namespace langedit;

LangEditor::LangEditor(std::string language) : language_(std::move(language)) {
  list_.SetColumns({{kListCaption, kWidth - 40}});
}

std::string LangEditor::ItemText(const std::string& key, const std::string& text, bool edited) {
  return key + (edited ? " == " : " = ") + text;
}

bool LangEditor::IsEmptyItem(const std::string& item) {
  size_t first = item.find('=');
  if (first == std::string::npos) return true;
  size_t next = item.find('=', first + 1);
  std::string part = item.substr(first + 1, next == std::string::npos ? std::string::npos : next - first - 1);
  return text::Trim(part).empty() || text::FindNoCase(part, kFrenchMarker) != std::string::npos;
}

long LangEditor::SelectedEntry() const {
  int row = list_.FirstSelected();
  if (row < 0) return -1;
  int64_t pos = list_.Data(row);
  if (pos < 0 || static_cast<size_t>(pos) >= LangTable().size()) return -1;
  return static_cast<long>(pos);
}

void LangEditor::Fill(int select) {
  SortLangTable();
  list_.Clear();
  const auto& table = LangTable();
  for (size_t i = 0; i < table.size(); ++i)
    list_.InsertRow(-1, {ItemText(table[i].Key, table[i].Text, false)}, static_cast<int64_t>(i));
  if (select >= 0 && select < list_.Count()) list_.SelectOnly(select);
  else list_.ClearSelection();
}

void LangEditor::ShowSelected() {
  long pos = SelectedEntry();
  if (pos >= 0) field_ = LangTable()[static_cast<size_t>(pos)].Text;
}

void LangEditor::UpdateSelected(const std::string& fieldText) {
  long pos = SelectedEntry();
  if (pos < 0) return;
  // A text is one line of the file: a pasted line break would split the entry in two there.
  std::string t = text::Replace(text::Replace(text::Replace(fieldText, "\r\n", "%w%"), "\r", "%w%"), "\n", "%w%");
  LangEntry& e = LangTable()[static_cast<size_t>(pos)];
  e.Text = t;
  field_ = t;
  int row = list_.FirstSelected();
  list_.SetText(row, 0, ItemText(e.Key, e.Text, true));
  list_.SelectOnly(row);
  listFocusWanted = true;
}

bool LangEditor::FindEmpty(int direction, bool listHasFocus) {
  int step = direction < 0 ? -1 : 1;
  int row = list_.FirstSelected();
  if (listHasFocus) row += step;
  if (row < 0) row = step > 0 ? 0 : -1;
  for (; row >= 0 && row < list_.Count(); row += step) {
    if (!IsEmptyItem(list_.Text(row, 0))) continue;
    list_.SelectOnly(row);
    ShowSelected();
    listFocusWanted = true;
    return true;
  }
  return false;
}

void LangEditor::DeleteSelected() {
  long pos = SelectedEntry();
  if (pos < 0) return;
  int row = list_.FirstSelected();
  RemoveLangEntry(static_cast<size_t>(pos));
  Fill(row - 1);
  ShowSelected();
  listFocusWanted = true;
}

bool LangEditor::Save() {
  if (SaveLanguageFile(language_)) return true;
  TheShell().MessageRequester(kSaveErrorTitle, kSaveErrorText, kRequesterError);
  return false;
}

bool LangEditor::Event(int source, int focused, const std::string& fieldText) {
  switch (source) {
    case kPrior:
    case kCmdPrior: FindEmpty(-1, focused == kList); break;
    case kNext:
    case kCmdNext: FindEmpty(+1, focused == kList); break;
    case kDelete: DeleteSelected(); break;
    case kList: ShowSelected(); break;
    case kUpdate: UpdateSelected(fieldText); break;
    case kCmdReturn:
      if (focused == kText || focused == kUpdate) UpdateSelected(fieldText);
      break;
    case kSave: return Save();
    case kQuit:
    case kCmdClose: return true;
    default: break;
  }
  return false;
}
