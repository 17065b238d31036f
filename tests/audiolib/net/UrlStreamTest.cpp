// URL streams against a scripted HTTP server on the loopback interface: decoding, tags, syncs,
// playlists, offsets and mixing.
#include "net/UrlStreamFixture.h"

namespace urlstreamtest {
namespace {

TEST_F(UrlStreamTest, DecodesTheWholeBodyAndEndsWhenTheServerHasSentIt) {
  server_.Serve("/tone.mp3", Mp3Script());
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/tone.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.freq, static_cast<DWORD>(kRate));
  EXPECT_EQ(info.chans, 1u);
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_MP3);
  const std::vector<float> samples = ReadAll(stream, kRate * 10);
  // The encoder's padding may add up to a frame or two.
  EXPECT_NEAR(static_cast<double>(samples.size()), kRate * kSeconds, 2500.0);
  EXPECT_NEAR(ToneAmplitude(samples, 1, 0, kToneHz, kRate), 0.5, 0.05);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 0u);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT), mp3_->size());
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER), 0u);
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), kFailed);
  EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(UrlStreamTest, TheDownloadProcedureGetsTheHeaderTextFirstThenTheDataThenTheEnd) {
  server_.Serve("/tone.mp3", Mp3Script());
  BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, "ToneSentryTest/1.0");
  Calls calls;
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/tone.mp3").c_str(), 0,
                                              kFlags | BASS_STREAM_STATUS | BASS_UNICODE,
                                              RecordDownload, &calls);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  ReadAll(stream, kRate * 10);
  ASSERT_TRUE(WaitUntil([&] { std::lock_guard l(calls.mutex); return calls.ends == 1; }, 5000));
  BASS_StreamFree(stream);
  std::lock_guard lock(calls.mutex);
  ASSERT_EQ(calls.statusTexts.size(), 1u);
  EXPECT_EQ(calls.statusTexts[0], "HTTP/1.1 200 OK");
  EXPECT_FALSE(calls.dataBeforeStatus);
  EXPECT_EQ(calls.dataBytes, mp3_->size());
  EXPECT_EQ(server_.LastRequestHeader("/tone.mp3", "User-Agent"), "ToneSentryTest/1.0");
  EXPECT_EQ(server_.LastRequestHeader("/tone.mp3", "Icy-MetaData"), "1");
}

TEST_F(UrlStreamTest, IcyMetadataIsTakenOutOfTheAudioAndEachNewTitleFiresOneMetaSync) {
  StreamScript script = Mp3Script();
  script.metaIntervalBytes = 3000;
  script.titles = {"First", "First", "Second - Song;x"};
  script.headers = {{"icy-name", "Loopback FM"}};
  server_.Serve("/icy.mp3", script);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/icy.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::atomic<int> metaSyncs{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, CountSync, &metaSyncs), 0u);
  const std::vector<float> samples = ReadAll(stream, kRate * 10);
  // Metadata bytes left in the audio would be decoded as damage: a shorter or noisier tone.
  EXPECT_NEAR(static_cast<double>(samples.size()), kRate * kSeconds, 2500.0);
  EXPECT_NEAR(ToneAmplitude(samples, 1, 0, kToneHz, kRate), 0.5, 0.05);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
  EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_META), "StreamTitle='Second - Song;x';");
  EXPECT_EQ(metaSyncs.load(), 2);
  const std::vector<std::string> http = TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_HTTP));
  ASSERT_FALSE(http.empty());
  EXPECT_EQ(http[0], "HTTP/1.1 200 OK");
  EXPECT_NE(std::find(http.begin(), http.end(), "icy-name: Loopback FM"), http.end());
  EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_ICY), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  for (DWORD kind : {BASS_TAG_OGG, BASS_TAG_WMA, BASS_TAG_WMA_META}) {
    EXPECT_EQ(BASS_ChannelGetTags(stream, kind), nullptr) << kind;
  }
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, MalformedMetadataNeitherCorruptsTheAudioNorStopsTheStream) {
  struct Case {
    const char* name;
    std::vector<std::string> rawBlocks;
    std::string intervalHeader;  // set instead of the server's own icy-metaint
    const char* meta;            // expected META tag, null for none
  };
  const std::string garbage = std::string("\xff\xfe\x01StreamTitle='x") + std::string(15, '\x7f');
  const std::vector<Case> cases = {
      {"binary block without NUL", {std::string(1, '\x02') + garbage}, "", garbage.c_str()},
      {"text after the NUL is dropped",
       {std::string(1, '\x01') + std::string("ab\0StreamTitle=x", 16)}, "", "ab"},
      {"an interval that is no number is no metadata", {}, "12kb", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StreamScript script = Mp3Script();
    if (c.intervalHeader.empty()) {
      script.metaIntervalBytes = 5000;
      script.rawBlocks = c.rawBlocks;
    } else {
      script.headers = {{"icy-metaint", c.intervalHeader}};
    }
    const std::string path = "/bad" + std::to_string(&c - cases.data()) + ".mp3";
    server_.Serve(path, script);
    const HSTREAM stream = BASS_StreamCreateURL(server_.Url(path).c_str(), 0, kFlags, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const std::vector<float> samples = ReadAll(stream, kRate * 10);
    EXPECT_NEAR(static_cast<double>(samples.size()), kRate * kSeconds, 2500.0);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
    const char* meta = BASS_ChannelGetTags(stream, BASS_TAG_META);
    if (c.meta) {
      ASSERT_NE(meta, nullptr);
      EXPECT_EQ(std::string(meta), std::string(c.meta));
    } else {
      EXPECT_EQ(meta, nullptr);
    }
    BASS_StreamFree(stream);
  }
}

TEST_F(UrlStreamTest, PlaylistAddressesAreFollowedToTheirFirstEntryWhenAllowed) {
  server_.Serve("/tone.mp3", Mp3Script());
  server_.ServeText("/radio.pls", 200, "text/plain",
                    "[playlist]\nNumberOfEntries=2\nFile2=http://127.0.0.1:1/nothing\nFile1=" +
                        server_.Url("/tone.mp3") + "\nTitle1=Tone\n");
  server_.ServeText("/radio.m3u", 200, "text/plain", "#EXTM3U\n#EXTINF:-1,Tone\ntone.mp3\n");
  server_.ServeText("/listen", 200, "audio/x-scpls", "[playlist]\nFile1=/tone.mp3\n");
  server_.ServeRedirect("/moved.mp3", "/tone.mp3");
  for (const char* path : {"/radio.pls", "/radio.m3u", "/listen", "/moved.mp3"}) {
    SCOPED_TRACE(path);
    const HSTREAM stream = BASS_StreamCreateURL(server_.Url(path).c_str(), 0, kFlags, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_NEAR(static_cast<double>(ReadAll(stream, kRate * 10).size()), kRate * kSeconds, 2500.0);
    BASS_StreamFree(stream);
  }
  EXPECT_EQ(server_.Requests("/tone.mp3"), 4);
  BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
  // Taken as the stream itself: text, no audio.
  EXPECT_EQ(BASS_StreamCreateURL(server_.Url("/radio.pls").c_str(), 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAUDIO);
}

TEST_F(UrlStreamTest, AChainedOggStreamGivesItsCommentsAndAnOggChangeSyncForEachNewPart) {
  std::string chained;
  for (const char* title : {"Part One", "Part Two"}) {
    const auto ogg = *folder_ / (std::string(title) + ".ogg");
    Encode(*folder_ / "tone.wav", ogg,
           std::string("-c:a libvorbis -b:a 96k -metadata title='") + title + "' -metadata artist=Tester");
    chained += ReadBytes(ogg);
  }
  StreamScript script;
  script.contentType = "application/ogg";
  script.body = chained;
  script.bytesPerSecond = 48000;  // the second part arrives after the first reads
  server_.Serve("/chained.ogg", script);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/chained.ogg").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  BASS_ChannelGetInfo(stream, &info);
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_VORBIS);
  std::atomic<int> changes{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, CountSync, &changes), 0u);
  std::vector<std::string> first = TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
  EXPECT_NE(std::find(first.begin(), first.end(), "title=Part One"), first.end());
  EXPECT_NE(std::find(first.begin(), first.end(), "artist=Tester"), first.end());
  const std::vector<float> samples = ReadAll(stream, kRate * 20);
  // Both parts decode: the second part is not lost at the chain boundary.
  EXPECT_NEAR(static_cast<double>(samples.size()), 2 * kRate * kSeconds, 5000.0);
  EXPECT_EQ(changes.load(), 1);
  const std::vector<std::string> last = TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
  EXPECT_NE(std::find(last.begin(), last.end(), "title=Part Two"), last.end());
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, AnIcyResponseGivesIcyTagsInsteadOfHttpOnes) {
  RawLoopbackServer shoutcast("ICY 200 OK\r\nicy-name:Raw Radio\r\ncontent-type:audio/mpeg\r\n\r\n" + *mp3_);
  const HSTREAM stream = BASS_StreamCreateURL(shoutcast.Url("/").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_ICY)),
            (std::vector<std::string>{"ICY 200 OK", "icy-name:Raw Radio", "content-type:audio/mpeg"}));
  EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_HTTP), nullptr);
  EXPECT_NEAR(static_cast<double>(ReadAll(stream, kRate * 10).size()), kRate * kSeconds, 2500.0);
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, AnOffsetAsksForTheRestOfTheFileAndPositionsCountFromIt) {
  // The test server cuts a fixed body to the requested range itself; the status is the test's.
  server_.ServeText("/file.mp3", 206, "audio/mpeg", *mp3_);
  const DWORD offset = 16000;  // one second of 128 kbit/s
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/file.mp3").c_str(), offset, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(server_.LastRequestHeader("/file.mp3", "Range"), "bytes=16000-");
  EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_HTTP), "HTTP/1.1 206 Partial Content");
  const std::vector<float> samples = ReadAll(stream, kRate * 10);
  EXPECT_NEAR(static_cast<double>(samples.size()), kRate * (kSeconds - 1), 2500.0);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT), mp3_->size());
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, AMixerResamplesAUrlStreamAndFreesItWhenItEnds) {
  server_.Serve("/tone.mp3", Mp3Script());
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/tone.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  const HSTREAM mixer = BASS_Mixer_StreamCreate(96000, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT | BASS_MIXER_END);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, stream, BASS_STREAM_AUTOFREE));
  std::vector<float> mixed;
  std::vector<float> block(2 * 9600);
  ASSERT_TRUE(WaitUntil(
      [&] {
        const DWORD got = BASS_ChannelGetData(mixer, block.data(), block.size() * sizeof(float));
        if (got == static_cast<DWORD>(-1)) return true;
        mixed.insert(mixed.end(), block.begin(), block.begin() + got / sizeof(float));
        return false;
      },
      10000));
  EXPECT_NEAR(ToneAmplitude(mixed, 2, 1, kToneHz, 96000), 0.5, 0.05);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);  // freed by the mixer at its end
  BASS_StreamFree(mixer);
}

TEST_F(UrlStreamTest, FilePositionsAndTagsBelongToUrlStreamsOnly) {
  const HSTREAM push = BASS_StreamCreate(44100, 1, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  EXPECT_EQ(BASS_StreamGetFilePosition(push, BASS_FILEPOS_CURRENT), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTFILE);
  EXPECT_EQ(BASS_ChannelGetTags(push, BASS_TAG_META), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  BASS_StreamFree(push);
  EXPECT_EQ(BASS_StreamGetFilePosition(push, BASS_FILEPOS_CURRENT), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelGetTags(push, BASS_TAG_META), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelSetSync(push, BASS_SYNC_WMA_META, 0, CountSync, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

}  // namespace
}  // namespace urlstreamtest
