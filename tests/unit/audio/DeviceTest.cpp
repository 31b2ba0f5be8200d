// Devices found by name, their log lines and the requester, and the device chooser's rows.
#include "unit/audio/AudioFixture.h"

namespace {

using Devices = AudioTest;

size_t Count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

TEST_F(Devices, NamesMatchIgnoringCaseAndSpacesAndMissingOnesFallBackOnlyWhenAsked) {
  EXPECT_EQ(FindDevice("", false), 1);  // the default device, whatever the flag says
  EXPECT_EQ(FindDevice("  test monitor ", false), 2);
  EXPECT_EQ(FindDevice("Gone", true), 1);
  EXPECT_EQ(FindDevice("Gone", false), -1);

  SetMWValue(setting::OutputName, "Gone");
  SetMWFlag(setting::OutputUseDefault, false);
  int32_t device = 7;
  EXPECT_EQ(OpenOutputDevice(device), 0);
  EXPECT_EQ(device, 7);
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].title, "Error");
  EXPECT_EQ(shell.messages[0].text, "device failed");
  EXPECT_NE(LogText().find("* Initialize output, ID=-1 With \"Gone\", Freq=44100 Flag=0"), std::string::npos);
  EXPECT_NE(LogText().find("! Error, Device not found !"), std::string::npos);

  SetMWValue(setting::MonitorDeviceName, "Gone too");
  SetMWFlag(setting::MonitorDeviceUseDefault, false);
  EXPECT_EQ(OpenMonitorDevice(MonitorChannel().Device), 0);
  EXPECT_EQ(MonitorChannel().Device, -1);
}

TEST_F(Devices, OpeningTwiceLogsTheInitialisationOnceAndTheDecodersOnce) {
  int32_t device = 0;
  ASSERT_EQ(OpenOutputDevice(device), 1);
  EXPECT_EQ(device, 1);
  ASSERT_EQ(OpenOutputDevice(device), 1);
  ASSERT_EQ(OpenMonitorDevice(MonitorChannel().Device), 1);
  EXPECT_EQ(MonitorChannel().Device, 2);
  const std::string log = LogText();
  EXPECT_EQ(Count(log, "* Initialize output, ID=1 With \"\", Freq=44100 Flag=0"), 1u);
  EXPECT_EQ(Count(log, "* Initialize output, ID=2 With \"Test Monitor\""), 1u);
  EXPECT_EQ(Count(log, "Decoders built in"), 1u);
  EXPECT_EQ(Count(log, "\r\n Sound driver: manual\r\n"), 2u);  // one line per device opened
  EXPECT_TRUE(shell.messages.empty());
}

TEST_F(Devices, ChooserListsTheDefaultFirstKeepsAMissingNameAndReadsItBack) {
  alib::Shutdown();
  ASSERT_TRUE(alib::UseManualBackend({{"Desk", true}, {"Phones"}, {"DESK"}}));
  ListModel list;
  FillDeviceList(&list);
  ASSERT_EQ(list.Count(), 4);  // two devices share a name: shown once
  EXPECT_EQ(list.Text(0, 0), "Default :Desk");
  EXPECT_EQ(list.Data(0), -1);
  EXPECT_EQ(list.Text(1, 0), "No sound");
  EXPECT_EQ(list.Text(2, 0), "Desk");
  EXPECT_EQ(list.Data(2), 1);
  EXPECT_EQ(list.Text(3, 0), "Phones");
  EXPECT_EQ(FindDevice("desk", false), 1);  // the first in library order wins

  SelectDeviceInList(&list, "  ");
  EXPECT_EQ(list.FirstSelected(), 0);
  EXPECT_EQ(DeviceNameFromList(&list), "");
  SelectDeviceInList(&list, "phones");
  EXPECT_EQ(DeviceNameFromList(&list), "Phones");
  SelectDeviceInList(&list, " USB Headset ");
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Data(4), -2);
  EXPECT_EQ(DeviceNameFromList(&list), "USB Headset");

  EXPECT_EQ(SelectOrAddItem(&list, "phones", 9, 0), -1);  // case counts without mode 1
  EXPECT_EQ(SelectOrAddItem(&list, "Top", 9, kItemInsertTop), 0);
  EXPECT_EQ(list.Data(0), 9);
  EXPECT_EQ(SelectOrAddItem(nullptr, "x", 1, kItemAppend), 0);
  SelectItemByData(&list, 12345, true);
  EXPECT_EQ(list.FirstSelected(), 0);
}

// A device whose sound server went away is said once per loss, as a failed open is, also when
// the timer runs again under the requester; a device never opened is not watched.
TEST_F(Devices, ALostDeviceIsSaidOnceAndAgainAfterItCameBack) {
  int32_t device = 0;
  ASSERT_EQ(OpenOutputDevice(device), 1);
  OutputChannel().Device = device;
  MonitorChannel().Device = 2;  // not opened
  ProcessSyncEvents();
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_FALSE(alib::SetManualDeviceLost(2, true));

  ASSERT_TRUE(alib::SetManualDeviceLost(device, true));
  ProcessSyncEvents();
  ProcessSyncEvents();
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].title, "Error");
  EXPECT_EQ(shell.messages[0].text, "device failed");
  EXPECT_EQ(Count(LogText(), "! Error, BASS_ERROR_DRIVER"), 1u);

  ASSERT_TRUE(alib::SetManualDeviceLost(device, false));
  ProcessSyncEvents();
  EXPECT_EQ(shell.messages.size(), 1u);
  ASSERT_TRUE(alib::SetManualDeviceLost(device, true));
  ProcessSyncEvents();
  EXPECT_EQ(shell.messages.size(), 2u);
  EXPECT_EQ(Count(LogText(), "! Error, BASS_ERROR_DRIVER"), 2u);
}

TEST_F(Devices, StartUpLogsTheLibraryVersionsAndSetsTheOutputVolume) {
  SetMWNumber(setting::OutputVolume, 70);
  Hooks().startAudio();
  EXPECT_NE(LogText().find("Bass Version = "), std::string::npos);
  EXPECT_NE(LogText().find("Bass_FX Version = "), std::string::npos);
  EXPECT_EQ(GadgetState(gadget::Volume), 70);
  EXPECT_EQ(CurrentProfile(), 0);
  EXPECT_TRUE(speech.lines.empty());
}
}  // namespace
