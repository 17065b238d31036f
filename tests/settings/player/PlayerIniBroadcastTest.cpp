#include "settings/player/BroadcastSettings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "settings/player/PlayerIni.h"
#include "settings/format/px_utils.h"

TEST(PlayerIniBroadcast, GivesEveryNewOutputItsOwnFourLetterEncoderID) {
  TBroadcastSettings settings;
  std::set<std::string> ids;
  // Enough outputs that some drawn identifiers collide and must be drawn again.
  constexpr int kOutputs = 3000;
  for (int i = 0; i < kOutputs; ++i) {
    const std::string& id = settings.BOutputs().Add().EncoderID();
    ASSERT_EQ(id.size(), 4u);
    for (char c : id) ASSERT_TRUE(c >= 'A' && c <= 'Z') << id;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(kOutputs));
}

TEST(PlayerIniBroadcast, ReadsOutputsWithTheirStoredEncoderIDs) {
  TPlayerIni settings;
  LoadComponentFromText(settings,
                        "object TPlayerIni\r\n  BOutputs = <\r\n    item\r\n      sServer = 'radio:8000/live'\r\n"
                        "      iBitrate = 64\r\n      EncoderID = 'QWER'\r\n    end\r\n    item\r\n    end>\r\nend\r\n");
  ASSERT_EQ(settings.BOutputs().Count(), 2);
  const TBroadcastOutput& first = settings.BOutputs().Items(0);
  EXPECT_EQ(first.sServer(), "radio:8000/live");
  EXPECT_EQ(first.iBitrate(), 64);
  EXPECT_EQ(first.iSampleRate(), 44100);
  EXPECT_EQ(first.EncoderID(), "QWER");
  EXPECT_EQ(settings.BOutputs().Items(1).EncoderID().size(), 4u);
}

TEST(PlayerIniBroadcast, UpdateEncoderStatusNamesEachOutputsState) {
  struct Case {
    bool broadcasting;
    bool enabled;
    bool readerAttached;
    const char* server;
    const char* status;
  };
  const Case cases[] = {
      {false, true, true, "radio:8000", "off"},   {true, false, true, "radio:8000", "off"},
      {true, true, true, "radio:8000", "active"}, {true, true, false, " \t", "active"},
      {true, true, false, "", "active"},          {true, true, false, "radio:8000", "idle"},
  };
  TBroadcastSettings settings;
  for (const Case& c : cases) {
    TBroadcastOutput& output = settings.BOutputs().Add();
    output.SetbEnabled(c.enabled);
    output.SetReaderThreadAttached(c.readerAttached);
    output.SetsServer(c.server);
  }
  for (bool broadcasting : {false, true}) {
    settings.SetbEnableBroadcast(broadcasting);
    settings.UpdateEncoderStatus();
    for (int i = 0; i < settings.BOutputs().Count(); ++i) {
      if (cases[i].broadcasting != broadcasting) continue;
      EXPECT_EQ(settings.BOutputs().Items(i).Status(), cases[i].status) << "case " << i;
    }
  }
}

TEST(PlayerIniBroadcast, UpdateEncoderStatusWaitsForAnotherHolderOfTheLockButNotForItsOwnCaller) {
  TBroadcastSettings settings;
  settings.SetbEnableBroadcast(true);
  settings.BOutputs().Add().SetbEnabled(true);

  TBroadcastSettings::EnterCS();
  settings.UpdateEncoderStatus();  // the lock is re-entrant
  std::atomic<bool> updated{false};
  std::thread other([&] {
    settings.UpdateEncoderStatus();
    updated = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(updated);
  TBroadcastSettings::LeaveCS();
  other.join();
  EXPECT_TRUE(updated);
  EXPECT_EQ(settings.BOutputs().Items(0).Status(), "active");
}
