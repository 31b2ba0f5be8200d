// Error names of the audio library and the check that logs them after a call.
#include <gtest/gtest.h>

#include "audio/AudioErrors.h"
#include "audiolib/AudioLib.h"
#include "common/TestEnv.h"

namespace {

class AudioErrors : public testenv::Fixture {
 protected:
  void TearDown() override {
    alib::Shutdown();
    testenv::Fixture::TearDown();
  }
};

TEST_F(AudioErrors, NamesKeepTheirExactSpellingAndUnknownCodesShowTheirNumber) {
  EXPECT_EQ(BassErrorName(0), "BASS_OK");
  EXPECT_EQ(BassErrorName(-1), "BASS_ERROR_UNKNOWN");
  EXPECT_EQ(BassErrorName(1002), "Wccess denied (user/pass is invalid)");
  EXPECT_EQ(BassErrorName(1004), " Iindividualization is needed");
  // Gaps of the table and codes beyond it.
  EXPECT_EQ(BassErrorName(10), "BASS_ERROR No 10");
  EXPECT_EQ(BassErrorName(1003), "BASS_ERROR No 1003");
  EXPECT_EQ(BassErrorName(-7), "BASS_ERROR No -7");
}

TEST_F(AudioErrors, TheCheckLogsOnlyWhenTheLibraryReportsAnError) {
  ASSERT_TRUE(alib::UseManualBackend({{"Test Output", true}}));
  ASSERT_TRUE(alib::Init(1, 44100, 0, nullptr));
  EXPECT_EQ(LogBassError("after a good call"), 0);
  EXPECT_EQ(LogText().find("after a good call"), std::string::npos);

  EXPECT_FALSE(alib::ChannelPlay(424242, false));
  EXPECT_EQ(LogBassError("- Test, ChannelPlay"), alib::kErrorHandle);
  EXPECT_NE(LogText().find("! BASS_ERROR_HANDLE. - Test, ChannelPlay"), std::string::npos) << LogText();

  EXPECT_FALSE(alib::Init(1, 44100, 0, nullptr));
  EXPECT_EQ(LogBassError(""), alib::kErrorAlready);
  EXPECT_NE(LogText().find("! BASS_ERROR_ALREADY. "), std::string::npos);
}

}  // namespace
