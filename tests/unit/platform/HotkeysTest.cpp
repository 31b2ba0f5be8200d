// Windows hotkeys: one registration per identifier and per key, each undone once.
#include <gtest/gtest.h>

#include "platform/Hotkeys.h"

TEST(SystemHotkeys, EachIdentifierAndKeyIsTakenOnce) {
  constexpr int kCtrlAlt = 1 | 2, kF11 = 122, kF12 = 123;
  ASSERT_TRUE(platform::RegisterSystemHotkey(7, kCtrlAlt, kF11));
  EXPECT_FALSE(platform::RegisterSystemHotkey(7, kCtrlAlt, kF12));  // the identifier is in use
  EXPECT_FALSE(platform::RegisterSystemHotkey(8, kCtrlAlt, kF11));  // the key is taken
  EXPECT_FALSE(platform::RegisterSystemHotkey(9, kCtrlAlt, 0));     // no key
  EXPECT_TRUE(platform::RegisterSystemHotkey(8, kCtrlAlt, kF12));
  EXPECT_TRUE(platform::UnregisterSystemHotkey(7));
  EXPECT_FALSE(platform::UnregisterSystemHotkey(7));
  // A key given back can be taken again, under another identifier.
  EXPECT_TRUE(platform::RegisterSystemHotkey(9, kCtrlAlt, kF11));
  EXPECT_TRUE(platform::UnregisterSystemHotkey(9));
  EXPECT_TRUE(platform::UnregisterSystemHotkey(8));
}
