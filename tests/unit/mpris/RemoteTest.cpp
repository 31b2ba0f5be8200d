// The remote control on the real player (manual device): each action does what its key does,
// announcement included, and every change reaches the bus once, from the player's events.
#include "mpris/Mpris.h"

#include "app/Commands.h"
#include "audio/PlayerFacade.h"
#include "unit/audio/AudioFixture.h"

namespace {

using mpris::Metadata;
using mpris::Properties;
using mpris::Value;

struct Sent {
  std::vector<Properties> changes;
  std::vector<int64_t> seeks;
  int raised = 0, quits = 0;
};

class RemoteTest : public AudioTest {
 protected:
  Sent sent;
  std::unique_ptr<mpris::Remote> remote;

  void SetUp() override {
    AudioTest::SetUp();
    LangTable().push_back({"Say.NbAdded", "%s1% added"});
    SortLangTable();
    remote = std::make_unique<mpris::Remote>(
        mpris::AppActions{[this] { ++sent.raised; }, [this] { ++sent.quits; }},
        [this](const std::string& iface, const Properties& p) {
          EXPECT_EQ(iface, mpris::kPlayerInterface);
          sent.changes.push_back(p);
        },
        [this](int64_t pos) { sent.seeks.push_back(pos); });
  }
  void TearDown() override {
    remote.reset();
    AudioTest::TearDown();
  }

  Value Prop(const std::string& name, const char* iface = mpris::kPlayerInterface) {
    Value v;
    EXPECT_TRUE(remote->Get(iface, name, v)) << name;
    return v;
  }
  // Names of the properties sent since the last call, in the order sent.
  std::vector<std::string> TakeChanged() {
    std::vector<std::string> names;
    for (const auto& p : sent.changes)
      for (const auto& [n, v] : p) names.push_back(n);
    sent.changes.clear();
    return names;
  }
};

TEST_F(RemoteTest, ActionsAreTheKeysAndEachChangeIsSentOnce) {
  EXPECT_EQ(std::get<std::string>(Prop("Identity", mpris::kRootInterface)), "Tondrial");
  EXPECT_EQ(std::get<std::string>(Prop("DesktopEntry", mpris::kRootInterface)), "tondrial");
  EXPECT_FALSE(std::get<bool>(Prop("HasTrackList", mpris::kRootInterface)));
  EXPECT_EQ(std::get<std::string>(Prop("PlaybackStatus")), "Stopped");
  EXPECT_EQ(std::get<Metadata>(Prop("Metadata")), Metadata{});
  EXPECT_FALSE(std::get<bool>(Prop("CanSeek")));
  Value v;
  EXPECT_FALSE(remote->Get(mpris::kPlayerInterface, "Shuffle", v));
  EXPECT_TRUE(remote->All("org.example.Other").empty());

  int32_t a = AddTrack(Tone("left20.wav", 20));
  int32_t b = AddTrack(Tone("right70.wav", 70, false));
  FindTrack(a)->Alias = "Jingle";
  PlayListRows().Select(0, true);

  // The play/pause button of a remote starts the selected track when nothing plays.
  remote->PlayPause();
  EXPECT_EQ(TakeChanged(), (std::vector<std::string>{"PlaybackStatus", "Metadata", "CanSeek"}));
  Metadata m = std::get<Metadata>(Prop("Metadata"));
  EXPECT_EQ(m.trackId, mpris::TrackObjectPath(a));
  EXPECT_EQ(m.lengthMicros, 20'000'000);
  EXPECT_EQ(m.title, "Jingle");
  EXPECT_EQ(m.url, "file://" + FindTrack(a)->File);
  remote->Play();  // playing already: nothing happens, nothing is sent
  EXPECT_TRUE(sent.changes.empty());
  remote->PlayPause();
  EXPECT_EQ(speech.Last(), "paused");
  EXPECT_EQ(std::get<std::string>(Prop("PlaybackStatus")), "Paused");
  remote->Pause();  // paused already
  remote->Play();
  EXPECT_EQ(speech.Last(), "resumed");
  EXPECT_EQ(TakeChanged(), (std::vector<std::string>{"PlaybackStatus", "PlaybackStatus"}));

  // Positions: relative seeks in µs rounded to the keys' seconds, absolute ones only for the
  // track that plays; each jump sends Seeked, never a change of Position.
  remote->Seek(5'400'000);
  remote->SetPosition(mpris::TrackObjectPath(b), 3'000'000);  // not the playing track
  remote->SetPosition(mpris::TrackObjectPath(a), 25'000'000);  // past its end
  remote->SetPosition(mpris::TrackObjectPath(a), 12'000'000);
  EXPECT_EQ(speech.Last(), "60%, 12 secondes");  // the label was said by the seek before
  remote->Seek(200'000);  // under half a second: no move
  ASSERT_EQ(sent.seeks.size(), 2u);
  EXPECT_NEAR(static_cast<double>(sent.seeks[0]), 5e6, 1e5);
  EXPECT_NEAR(static_cast<double>(sent.seeks[1]), 12e6, 1e5);
  EXPECT_NEAR(static_cast<double>(std::get<int64_t>(Prop("Position"))), 12e6, 1e5);
  EXPECT_TRUE(TakeChanged().empty());

  // Volume through the keys' setter: in range, said, sent once as a fraction.
  EXPECT_TRUE(remote->Set(mpris::kPlayerInterface, "Volume", Value{0.5}));
  EXPECT_EQ(speech.Last(), "Volume 50%");
  EXPECT_EQ(GadgetState(gadget::Volume), 50);
  EXPECT_EQ(TakeChanged(), std::vector<std::string>{"Volume"});
  EXPECT_TRUE(remote->Set(mpris::kPlayerInterface, "Volume", Value{0.5}));  // same value: said, not sent
  EXPECT_TRUE(TakeChanged().empty());
  EXPECT_FALSE(remote->Set(mpris::kPlayerInterface, "Volume", Value{std::string("loud")}));
  EXPECT_FALSE(remote->Set(mpris::kPlayerInterface, "Volume", Value{std::nan("")}));
  EXPECT_FALSE(remote->Set(mpris::kPlayerInterface, "CanSeek", Value{1.0}));

  // Rate is the tempo where the profile allows it, else fixed at 1.
  const bool tempo = IsFeatureAllowed(cmd::EnableTempoPitch);
  EXPECT_EQ(std::get<double>(Prop("MaximumRate")), tempo ? 2.0 : 1.0);
  EXPECT_TRUE(remote->Set(mpris::kPlayerInterface, "Rate", Value{1.25}));
  if (tempo) {
    EXPECT_FLOAT_EQ(player::Tempo(), 25);
    EXPECT_EQ(TakeChanged(), std::vector<std::string>{"Rate"});
  } else {
    EXPECT_EQ(std::get<double>(Prop("Rate")), 1.0);
  }
  TakeChanged();

  remote->Next();
  EXPECT_EQ(std::get<Metadata>(Prop("Metadata")).trackId, mpris::TrackObjectPath(b));
  EXPECT_EQ(TakeChanged(), std::vector<std::string>{"Metadata"});
  remote->Stop();
  EXPECT_EQ(TakeChanged(), (std::vector<std::string>{"PlaybackStatus", "Metadata", "CanSeek"}));
  remote->Raise();
  remote->Quit();
  EXPECT_EQ(sent.raised, 1);
  EXPECT_EQ(sent.quits, 1);
}

// An address from a remote is added and played, as opening an address does.
TEST_F(RemoteTest, OpenUriAddsAndPlays) {
  std::string file = Tone("left5.wav", 5);
  std::string spaced = dir + "two words.wav";
  std::filesystem::copy_file(file, spaced);
  remote->OpenUri("file://" + dir + "two%20words.wav");
  EXPECT_EQ(speech.Last(), "1 added");
  EXPECT_EQ(player::Url(), spaced);
  EXPECT_EQ(std::get<std::string>(Prop("PlaybackStatus")), "Playing");
  remote->OpenUri("");
  EXPECT_EQ(player::Url(), spaced);

  EXPECT_EQ(mpris::PathOfUri("file:///a/b%C3%A9%2"), "/a/b\xC3\xA9%2");
  EXPECT_EQ(mpris::PathOfUri("file://localhost/x%00y"), "/x%00y");
  EXPECT_EQ(mpris::PathOfUri("file://server/share"), "file://server/share");
  EXPECT_EQ(mpris::PathOfUri("http://radio/live%20x"), "http://radio/live%20x");
  EXPECT_EQ(mpris::TrackObjectPath(-4), "/org/tondrial/track/n4");
  EXPECT_EQ(mpris::UriOfPath("/m/été 1%.mp3"), "file:///m/%C3%A9t%C3%A9%201%25.mp3");
  EXPECT_EQ(mpris::PathOfUri(mpris::UriOfPath("/m/été 1%.mp3")), "/m/été 1%.mp3");
  EXPECT_EQ(mpris::UriOfPath("http://radio/x y"), "http://radio/x y");
}

}  // namespace
