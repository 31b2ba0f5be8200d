#include <gtest/gtest.h>

#include <array>

#include "access/DialogLayout.h"
#include "access/Requesters.h"
#include "access/Shortcuts.h"
#include "access/Sliders.h"
#include "lang/Lang.h"

namespace {

std::array<int, 4> Control(const LayoutState& s) { return {s.controlX, s.controlY, s.controlW, s.controlH}; }
std::array<int, 4> Label(const LayoutState& s) { return {s.labelX, s.labelY, s.labelW, s.labelH}; }

TEST(LayoutRow, WorkedExample) {
  LayoutState s;
  s.areaWidth = 400;
  s.currentY = 5;
  EXPECT_EQ(LayoutRow("CDE", s), 32);
  EXPECT_EQ(Label(s), (std::array<int, 4>{5, 5, 153, 22}));
  EXPECT_EQ(s.labelAlign, kLabelRight);
  EXPECT_EQ(Control(s), (std::array<int, 4>{163, 5, 232, 22}));
  EXPECT_EQ(LayoutRow("ABCDE 3", s), 140);
  EXPECT_EQ(Label(s), (std::array<int, 4>{5, 32, 390, 22}));
  EXPECT_EQ(s.labelAlign, kLabelCentred);
  EXPECT_EQ(Control(s), (std::array<int, 4>{5, 59, 390, 76}));
  EXPECT_EQ(LayoutRow("DE -1", s, true), 140);
  EXPECT_EQ(Control(s), (std::array<int, 4>{242, 113, 153, 22}));
  EXPECT_EQ(s.maxY, 140);
}

TEST(LayoutRow, OtherRows) {
  LayoutState s;
  s.areaWidth = 400;
  s.currentY = 5;
  // The empty text is the "CDE" row.
  LayoutRow("", s);
  EXPECT_EQ(Label(s), (std::array<int, 4>{5, 5, 153, 22}));
  EXPECT_EQ(Control(s), (std::array<int, 4>{163, 5, 232, 22}));
  // "AB -1" beside the previous row: with a label, "A" puts a full-width label above.
  s.currentY = 32;
  LayoutRow("AB -1", s, true);
  EXPECT_EQ(Control(s), (std::array<int, 4>{5, 5, 153, 22}));
  EXPECT_EQ(s.currentY, 32);
  s.currentY = 32;
  LayoutRow("ab -1", s);
  EXPECT_EQ(Label(s), (std::array<int, 4>{5, 5, 390, 22}));
  EXPECT_EQ(Control(s), (std::array<int, 4>{5, 32, 153, 22}));
  EXPECT_EQ(s.currentY, 59);
  // "V": the label goes above, over the control's columns.
  s.currentY = 100;
  LayoutRow("V", s);
  EXPECT_EQ(Label(s), (std::array<int, 4>{163, 100, 232, 22}));
  EXPECT_EQ(Control(s), (std::array<int, 4>{163, 127, 232, 22}));
  EXPECT_EQ(s.currentY, 154);
  s.currentY = 10;
  LayoutRow("V BC 2", s);
  EXPECT_EQ(Label(s), (std::array<int, 4>{84, 10, 153, 22}));
  EXPECT_EQ(Control(s), (std::array<int, 4>{84, 37, 153, 49}));
  // A shift above the top stays at the current y.
  s.currentY = 5;
  LayoutRow("C -3", s);
  EXPECT_EQ(s.labelY, 5);
  // Inside a panel the width reduction narrows the columns.
  LayoutState p;
  p.areaWidth = 410;
  p.widthReduction = 10;
  LayoutRow("ABCDE 10", p, true);
  EXPECT_EQ(Control(p), (std::array<int, 4>{5, 0, 390, 265}));
  EXPECT_EQ(p.maxY, 270);
  // Odd tokens: ignored but for their first letter; huge numbers do not overflow.
  LayoutState o;
  o.areaWidth = 400;
  LayoutRow("  +2 03 -0 xyz", o);
  EXPECT_EQ(o.controlH, 22);
  EXPECT_EQ(Label(o), (std::array<int, 4>{5, 0, 153, 22}));  // no range: the CDE row
  LayoutRow("D 99999999999999999999 -99999999", o);
  EXPECT_EQ(o.controlW, 74);
  EXPECT_EQ(o.labelW, 232);
  EXPECT_GT(o.maxY, 0);
}

TEST(MessageRequester, Geometry) {
  auto one = MessageRequesterLayout("Une ligne", kButtonsOk);
  EXPECT_EQ(one.message.h, 66);
  EXPECT_EQ(one.height, 110);
  ASSERT_EQ(one.buttons.size(), 1u);
  EXPECT_EQ(one.buttons[0].second.x, 106);
  auto tall = MessageRequesterLayout(std::string(30, '\n'), kButtonsYesNoCancel);
  EXPECT_EQ(tall.lines, 20);
  EXPECT_EQ(tall.height, 484);
  ASSERT_EQ(tall.buttons.size(), 3u);
  EXPECT_EQ(tall.buttons[2].first, RequesterControl::Cancel);
  EXPECT_EQ(tall.buttons[2].second.x, 202);
  EXPECT_EQ(tall.buttons[2].second.y, 440);
  EXPECT_EQ(ButtonSetFromFlags(kRequesterYesNo | kRequesterWarning), kButtonsYesNo);
  EXPECT_EQ(ButtonSetFromFlags(kRequesterYesNoCancel), kButtonsYesNoCancel);
  EXPECT_EQ(ButtonSetFromFlags(kRequesterError), kButtonsOk);
}

TEST(MessageRequester, FocusCycleAndAnswers) {
  RequesterKeys yn(kButtonsYesNo);
  yn.Activated(0);
  EXPECT_EQ(yn.Focus(), RequesterControl::Message);
  yn.Next();
  EXPECT_EQ(yn.Focus(), RequesterControl::Yes);
  yn.Next();
  EXPECT_EQ(yn.Focus(), RequesterControl::No);
  yn.Next();
  EXPECT_EQ(yn.Focus(), RequesterControl::Message);
  yn.Previous();
  EXPECT_EQ(yn.Focus(), RequesterControl::No);
  yn.Escape();  // no Cancel button: nothing
  EXPECT_FALSE(yn.Answered());
  yn.Activate();
  EXPECT_EQ(yn.Result(), kAnswerNo);

  RequesterKeys ync(kButtonsYesNoCancel);
  ync.Activated(0);
  ync.Previous();
  EXPECT_EQ(ync.Focus(), RequesterControl::Cancel);
  ync.Previous();
  ync.Previous();
  ync.Previous();
  EXPECT_EQ(ync.Focus(), RequesterControl::Message);
  ync.Activate();  // Return on the message is yes
  EXPECT_EQ(ync.Result(), kAnswerYes);
  RequesterKeys esc(kButtonsYesNoCancel);
  esc.Escape();
  EXPECT_EQ(esc.Result(), kAnswerCancel);

  RequesterKeys ok(kButtonsOk);
  ok.Activated(0);
  ok.Previous();
  EXPECT_EQ(ok.Focus(), RequesterControl::Yes);
  ok.Escape();
  ok.Click(RequesterControl::No);  // no such button
  EXPECT_FALSE(ok.Answered());
  ok.Closed();
  EXPECT_EQ(ok.Result(), kAnswerCancel);
}

TEST(MessageRequester, FocusMovesToTheFirstButtonOncePerActivation) {
  RequesterKeys r(kButtonsYesNoCancel);
  r.Activated(1000);
  r.Tick(1299);
  EXPECT_EQ(r.Focus(), RequesterControl::Message);
  r.Tick(1300);
  EXPECT_EQ(r.Focus(), RequesterControl::Yes);
  r.Previous();  // back on the message: stays there
  r.Tick(5000);
  EXPECT_EQ(r.Focus(), RequesterControl::Message);
  // The user reached a button first: no move.
  r.Activated(6000);
  r.Previous();
  r.Tick(6400);
  EXPECT_EQ(r.Focus(), RequesterControl::Cancel);
  r.Activated(7000);  // back to the front: the message again, and a new deadline
  EXPECT_EQ(r.Focus(), RequesterControl::Message);
  r.Tick(7300);
  EXPECT_EQ(r.Focus(), RequesterControl::Yes);
}

TEST(MessageRequester, KeysOfTheWindow) {
  ResetLang();
  ResetWindowShortcuts();
  for (auto [k, t] : std::vector<std::pair<const char*, const char*>>{
           {"RequestButton.Yes", "&Oui"}, {"RequestButton.No", "&Non"}, {"RequestButton.Cancel", "&Annuler"}}) {
    Lang(k);
    for (auto& e : LangTable())
      if (e.Key == k) e.Text = t;
  }
  const int w = 4242;
  SetupChildWindow(w);
  RequesterKeys r(kButtonsYesNoCancel);
  r.InstallKeys(w);
  EXPECT_EQ(ShortcutCommand(w, 'N'), kReqCmdNo);
  EXPECT_EQ(ShortcutCommand(w, kModAlt + 'N'), kReqCmdNo);
  EXPECT_EQ(ShortcutCommand(w, 'A'), kReqCmdCancel);
  EXPECT_EQ(ShortcutCommand(w, kModShift + 9), kReqCmdPrevious);
  EXPECT_EQ(ShortcutCommand(w, 39), kReqCmdNext);
  EXPECT_EQ(ShortcutCommand(w, 13), kReqCmdActivate);
  EXPECT_EQ(ShortcutCommand(w, 27), kReqCmdEscape);
  r.Activated(0);
  r.Command(ShortcutCommand(w, 'N'), 10);  // the letter of "No" without Alt
  EXPECT_EQ(r.Result(), kAnswerNo);
  ForgetWindow(w);
  ResetLang();
}

TEST(InputRequester, DefaultsOptionsAndAnswers) {
  auto list = PrepareInputRequester("+10%\t-10%", 0);
  EXPECT_TRUE(list.dropDown);
  EXPECT_EQ(list.choices, (std::vector<std::string>{"+10%", "-10%"}));
  EXPECT_EQ(list.text, "+10%");
  auto plain = PrepareInputRequester("Bonjour", 4 | kInputPassword);
  EXPECT_FALSE(plain.dropDown);
  EXPECT_EQ(plain.text, "Bonj");
  EXPECT_TRUE(plain.password);
  EXPECT_EQ(plain.maxLength, 4);
  EXPECT_EQ(PrepareInputRequester("été à", 3).text, "été");  // whole characters
  EXPECT_EQ(PrepareInputRequester("ab\tcd", 4).choices, (std::vector<std::string>{"ab", "c"}));
  EXPECT_TRUE(PrepareInputRequester("", kInputDigits).digitsOnly);
  EXPECT_TRUE(InputAcceptsChar(kInputDigits, U'7'));
  EXPECT_FALSE(InputAcceptsChar(kInputDigits, U'a'));
  EXPECT_TRUE(InputAcceptsChar(0, U'a'));
  EXPECT_EQ(InputRequesterAnswer(InputEnd::Accepted, "tapé", 0), "tapé");
  EXPECT_EQ(InputRequesterAnswer(InputEnd::Escaped, "tapé", 0), "");
  EXPECT_EQ(InputRequesterAnswer(InputEnd::Escaped, "tapé", kInputEscapeGives27), "\x1b");
  EXPECT_EQ(InputRequesterAnswer(InputEnd::Closed, "tapé", kInputEscapeGives27), "");
}

TEST(Sliders, StepsResetAndRemember) {
  SliderControl s{SliderControl::Slider, 0, 100, 50, 0};
  SliderStepUp(s);
  EXPECT_EQ(s.value, 60);
  SliderStepDown(s);
  SliderStepDown(s);
  EXPECT_EQ(s.value, 40);
  SliderRemember(s);
  SliderStepUp(s);
  SliderReset(s);
  EXPECT_EQ(s.value, 40);
  SliderControl spin{SliderControl::Spin, -12, 12, 0, 0};
  SliderStepUp(spin);
  EXPECT_EQ(spin.value, 2);  // 2.4 rounds to 2
  SliderControl odd{SliderControl::Slider, 0, 15, 15, 0};
  SliderStepUp(odd);
  EXPECT_EQ(odd.value, 15);  // 1.5 rounds to 2, the control stays in its range
  SliderStepDown(odd);
  EXPECT_EQ(odd.value, 13);
  SliderControl fresh{SliderControl::Slider, 10, 20, 15, 0};
  SliderReset(fresh);  // nothing remembered: 0, kept in range
  EXPECT_EQ(fresh.value, 10);
  SliderControl other{SliderControl::Other, 0, 100, 50, 7};
  SliderStepUp(other);
  SliderReset(other);
  SliderRemember(other);
  EXPECT_EQ(other.value, 50);
  EXPECT_EQ(other.data, 7);
}

}  // namespace
