// TPlayerIni: the player settings (player.ini), and the process-wide instance PlayerIni.
//
// The third layer over TPlayerSettings and TBroadcastSettings; its own published properties follow
// theirs in declaration (and file) order. Created and read on the main thread at start-up, freed
// at shut-down without saving. Worker threads read values without locks, so while workers run the
// main thread changes only values that no running worker reads (the DTMF worker copies the
// threshold and channel mode when it is created).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "settings/format/Collection.h"
#include "settings/player/DSPItemC.h"
#include "settings/player/HTTPRequest.h"
#include "settings/player/PlayerSettings.h"
#include "settings/format/PublishedProperty.h"
#include "settings/format/StringList.h"

enum class TNPVisMode { visNone, visWave, visSpectrum };
enum class TNPVisSource { vsAudioMix, vsInput1, vsInput2, vsInput3 };
enum class TEmailServiceType { esVendor, esSMTP };

class TPlayerIni : public TPlayerSettings {
 public:
  // Built-in values: see the declarations below, plus a random UID, SAPath under SettingsDir, the
  // ten artist separators and the equaliser and compressor in DSPList.
  TPlayerIni();
  std::string ClassName() const override { return "TPlayerIni"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  // SettingsDir + "player.ini", restored from its ".bak" copy when missing or empty (see
  // TSettingsComponent for the outcome). Save shows failures in a message box and never throws.
  void Read();
  void Save();

  PUBLISHED_PROPERTY(int32_t, PauseFadeOut, 150)
  // Seconds.
  PUBLISHED_PROPERTY(double, MicPrebuffer, 0.09)
  PUBLISHED_PROPERTY(bool, AskOnExit, true)
  PUBLISHED_PROPERTY(int32_t, ResampleQuality, 2)
  // Folders and files starting with a single backslash are relative to the settings folder.
  PUBLISHED_PROPERTY(std::string, VoiceTracksFolder, "\\VoiceTracks\\")
  PUBLISHED_PROPERTY(std::string, TimeZoneS, "0")
  PUBLISHED_PROPERTY(bool, StoreScheduledTracks, true)
  PUBLISHED_PROPERTY(bool, StartMinimized, false)
  PUBLISHED_PROPERTY(int32_t, StartupDelay, 0)
  PUBLISHED_PROPERTY(bool, EventDirFromFilename, true)
  PUBLISHED_PROPERTY(bool, DoNotActionWhenStoppedLegacy, false)
  PUBLISHED_PROPERTY(std::string, UserTrayText, "")
  PUBLISHED_PROPERTY(bool, DeleteEventShowName, false)
  PUBLISHED_PROPERTY(int32_t, ReportAPITimeout, 30)
  PUBLISHED_PROPERTY(int32_t, SearchDelay, 300)
  PUBLISHED_PROPERTY(int32_t, SearchMaxResults, 1000)
  PUBLISHED_PROPERTY(bool, ProcessJingles, true)
  PUBLISHED_PROPERTY(bool, ProcessOverlayEvents, true)
  PUBLISHED_PROPERTY(bool, NotifyFilterEncoderErrors, true)
  PUBLISHED_PROPERTY(bool, VideoLog, false)
  PUBLISHED_PROPERTY(bool, AdditionalZoneOnTaskbar, true)
  // Declared default True: not written while True.
  PUBLISHED_PROPERTY(bool, UseEdgeBrowser, true)
  PUBLISHED_PROPERTY(bool, BroadcastOnConfirm, false)
  PUBLISHED_PROPERTY(bool, BroadcastOffConfirm, true)
  PUBLISHED_PROPERTY(bool, KeepBroadcastStateOnRestart, true)
  PUBLISHED_PROPERTY(bool, MarkPlayedFiles, true)
  PUBLISHED_PROPERTY(bool, PlaybackDebugLog, false)
  PUBLISHED_PROPERTY(bool, SweeperDebugLog, false)
  PUBLISHED_PROPERTY(bool, UseExplorerTree, false)
  PUBLISHED_PROPERTY(bool, AutostartCommandsEnabled, false)
  // Commands run at start-up while AutostartCommandsEnabled.
  TStringList& AutostartCommands() { return FAutostartCommands; }
  const TStringList& AutostartCommands() const { return FAutostartCommands; }
  PUBLISHED_PROPERTY(bool, RelayWaitSongToFinish, false)
  PUBLISHED_PROPERTY(int32_t, RelayMaxWaitSong, 180000)
  PUBLISHED_PROPERTY(std::string, RelayTitleFormat, "%relaytitle")
  PUBLISHED_PROPERTY(int32_t, RelayPlaylistFadeout, 1000)
  PUBLISHED_PROPERTY(int32_t, RelayPlaylistFadeIn, 1000)
  PUBLISHED_PROPERTY(bool, RelayNextSongOnEnd, false)
  PUBLISHED_PROPERTY(int32_t, RelayFadeIn, 400)
  PUBLISHED_PROPERTY(int32_t, RelayFadeOut, 400)
  PUBLISHED_PROPERTY(int32_t, RelayVolumeOnOverlayEventOverride, 0)
  // dB.
  PUBLISHED_PROPERTY(double, RelaySilenceThreshold, -65.0)
  PUBLISHED_PROPERTY(int32_t, RelaySilenceDuration, 5000)
  PUBLISHED_PROPERTY(bool, RelayStreamCheckSilence, false)
  PUBLISHED_PROPERTY(int32_t, RelayPlaylistVolume, 0)
  PUBLISHED_PROPERTY(bool, DragNDropSort, true)
  // ms; the setter (also used on read) makes a negative value 750 and caps it at 30000.
  int32_t TrackListSelectTimeout() const { return FTrackListSelectTimeout; }
  void SetTrackListSelectTimeout(int32_t value);
  PUBLISHED_PROPERTY(bool, GetFileDeleteToRecycleBin, true)
  PUBLISHED_PROPERTY(bool, MutePlaybackOnPrelisten, false)
  PUBLISHED_PROPERTY(bool, MuteMonitorOnPrelisten, false)
  PUBLISHED_PROPERTY(bool, MutePlaybackOnPrelistenSecondary, false)
  PUBLISHED_PROPERTY(bool, OpenPlaylistChangeTabFilename, true)
  PUBLISHED_PROPERTY(bool, DoNotSendEmptyTitleWhenStopped, false)
  PUBLISHED_PROPERTY(bool, SmoothLevelGraph, false)
  PUBLISHED_PROPERTY(bool, ConfirmPlaylistDeleteAll, false)
  PUBLISHED_PROPERTY(bool, SearchAlwaysVisible, false)
  PUBLISHED_PROPERTY(bool, ShowNowplayingInTitle, false)
  PUBLISHED_PROPERTY(bool, DoNotRepeatArtist, false)
  PUBLISHED_PROPERTY(int32_t, DoNotRepeatArtistTime, 0)
  PUBLISHED_PROPERTY(bool, DoNotRepeatTrack, false)
  PUBLISHED_PROPERTY(int32_t, DoNotRepeatTrackTime, 0)
  PUBLISHED_PROPERTY(bool, DoNotRepeatAlbum, false)
  PUBLISHED_PROPERTY(int32_t, DoNotRepeatAlbumTime, 0)
  PUBLISHED_PROPERTY(bool, DoNotRepeatTrackTitle, false)
  PUBLISHED_PROPERTY(int32_t, DoNotRepeatTrackTitleTime, 0)
  PUBLISHED_PROPERTY(bool, SeparateArtists, false)
  // Words that join several artists in one artist field ("ft", "feat.", "&" ...).
  TStringList& ArtistSeparator() { return FArtistSeparator; }
  const TStringList& ArtistSeparator() const { return FArtistSeparator; }
  PUBLISHED_PROPERTY(bool, TrackListCheckLastPlayed, false)
  PUBLISHED_PROPERTY(bool, TrackListSelectTrackOnTrackInfo, true)
  PUBLISHED_PROPERTY(bool, SwDoNotRepeatArtist, false)
  PUBLISHED_PROPERTY(int32_t, SwDoNotRepeatArtistTime, 0)
  PUBLISHED_PROPERTY(bool, SwDoNotRepeatTrack, true)
  PUBLISHED_PROPERTY(int32_t, SwDoNotRepeatTrackTime, 360)
  PUBLISHED_PROPERTY(int32_t, BroadcastSource, 0)
  PUBLISHED_PROPERTY(bool, ShowOnAir, false)
  PUBLISHED_PROPERTY(bool, StartPlaybackOnConnect, false)
  PUBLISHED_PROPERTY(int32_t, BroadcastTitleUpdateType, 0)
  PUBLISHED_PROPERTY(int32_t, BroadcastTitleUpdatePeriod, 30)
  PUBLISHED_PROPERTY(std::string, BroadcastTitleFormat, "%artist - %title")
  PUBLISHED_PROPERTY(bool, MakeReport, true)
  PUBLISHED_PROPERTY(std::string, sReportFolder, "\\Report\\")
  PUBLISHED_PROPERTY(bool, bEnableExport, true)
  PUBLISHED_PROPERTY(int32_t, iExportFormat, 2)
  PUBLISHED_PROPERTY(int32_t, ExportFormat, 0)
  PUBLISHED_PROPERTY(int32_t, ExportEncoding, 0)
  PUBLISHED_PROPERTY(std::string, XMLExportFileName, "\\nowplaying.txt")
  PUBLISHED_PROPERTY(std::string, ArtworkExportFileName, "\\artwork.jpg")
  PUBLISHED_PROPERTY(std::string, ArtworkExportFileNameNext, "\\artwork_next.jpg")
  PUBLISHED_PROPERTY(std::string, ArtworkExportFileNameRecent, "\\Temp\\artwork_recent_%N.jpg")
  PUBLISHED_PROPERTY(bool, IncludeNextTrack, false)
  PUBLISHED_PROPERTY(bool, ShowTrackNumberInReport, false)
  PUBLISHED_PROPERTY(bool, StoreTrackInfoInReport, true)
  PUBLISHED_PROPERTY(bool, bShowVideoWindow, true)
  PUBLISHED_PROPERTY(bool, bVideoGoFullscreen, false)
  PUBLISHED_PROPERTY(int32_t, iVideoMonitorNum, 0)
  PUBLISHED_PROPERTY(bool, bVideoWindowAlwaysTop, false)
  PUBLISHED_PROPERTY(bool, HideVideoWindowOnAudioTrack, false)
  PUBLISHED_PROPERTY(bool, VideoShowImageNoVideo, false)
  PUBLISHED_PROPERTY(std::string, VideoShowImageNoVideoPath, "")
  // Installation number, drawn at random from 0 to 99999 by the constructor; a read replaces it.
  PUBLISHED_PROPERTY(int32_t, UID, 0)
  PUBLISHED_PROPERTY(bool, bFTPOn, false)
  PUBLISHED_PROPERTY(std::string, sFTPServer, "")
  PUBLISHED_PROPERTY(std::string, sFTPUser, "")
  PUBLISHED_PROPERTY(std::string, sFTPPassword, "")
  PUBLISHED_PROPERTY(int32_t, iFTPPort, 21)
  PUBLISHED_PROPERTY(bool, bFTPPasv, true)
  PUBLISHED_PROPERTY(std::string, sFTPDir, "")
  PUBLISHED_PROPERTY(int32_t, FTPUseTLS, 0)
  PUBLISHED_PROPERTY(bool, StreamArchiveOn, false)
  PUBLISHED_PROPERTY(bool, SAKeepState, true)
  PUBLISHED_PROPERTY(bool, StreamArchiveMicOnly, false)
  PUBLISHED_PROPERTY(bool, StreamArchiveNoDSP, false)
  PUBLISHED_PROPERTY(int32_t, SASampleRate, 44100)
  PUBLISHED_PROPERTY(std::string, SAEncoderCmdLine, "lame.exe -r -x -s %SR -b 160 -a -m s - ::s")
  // Stream archive file name pattern; starts as SettingsDir + "Stream Archive/%y%m%d_%t".
  PUBLISHED_PROPERTY(std::string, SAPath, "")
  PUBLISHED_PROPERTY(bool, SASplitOn, true)
  PUBLISHED_PROPERTY(int32_t, SASplitInterval, 60)
  PUBLISHED_PROPERTY(int32_t, SASource, 0)
  PUBLISHED_PROPERTY(bool, SACreateCue, true)
  PUBLISHED_PROPERTY(bool, SACueFileUseCastTitle, true)
  TCollectionOf<THTTPRequest>& HTTPReq() { return FHTTPReq; }
  const TCollectionOf<THTTPRequest>& HTTPReq() const { return FHTTPReq; }
  PUBLISHED_PROPERTY(std::string, HTTPRequestUserAgent,
                     "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)")
  PUBLISHED_PROPERTY(bool, HTTPReqForRelay, false)
  PUBLISHED_PROPERTY(bool, bHTTPOn, false)
  PUBLISHED_PROPERTY(std::string, sHTTPURL, "")
  PUBLISHED_PROPERTY(int32_t, HttpEncoding, 0)
  PUBLISHED_PROPERTY(int32_t, GenerationTimeout, 1800)
  PUBLISHED_PROPERTY(int32_t, ProfileAutosave, 0)
  // Output low-pass and high-pass filters; cut-off frequencies in Hz.
  PUBLISHED_PROPERTY(bool, UseLPF, false)
  PUBLISHED_PROPERTY(int32_t, LPFCutOffFreq, 15000)
  PUBLISHED_PROPERTY(bool, UseHPF, false)
  PUBLISHED_PROPERTY(int32_t, HPFCutOffFreq, 0)
  PUBLISHED_PROPERTY(TNPVisMode, NowPlayingVis, TNPVisMode::visSpectrum)
  PUBLISHED_PROPERTY(TNPVisSource, VisSource, TNPVisSource::vsAudioMix)
  // DTMF group. Threshold, Delay and ChannelMode drive the detector; the others are only stored.
  PUBLISHED_PROPERTY(int32_t, DTMFSource, 0)
  PUBLISHED_PROPERTY(std::string, DTMFUrl, "")
  PUBLISHED_PROPERTY(int32_t, DTMFPeriod, 5)
  PUBLISHED_PROPERTY(int32_t, DTMFPeriodAfter, 5)
  // Minimum tone level, a linear amplitude on a full scale of 1.0 (0.05 is about -26 dB).
  PUBLISHED_PROPERTY(double, DTMFThreshold, 0.05)
  // Analysis delay in seconds.
  PUBLISHED_PROPERTY(double, DTMFDelay, 0)
  // 0 left, 1 right, 2 left + right, 3 left - right (counterphase).
  PUBLISHED_PROPERTY(int32_t, DTMFChannelMode, 0)
  PUBLISHED_PROPERTY(bool, DTMFSkipExitFT, false)
  PUBLISHED_PROPERTY(std::string, DTMFSkipExitFTSelected, "")
  // The output DSP chain; starts with the built-in equaliser and compressor.
  TCollectionOf<TDSPItemC>& DSPList() { return FDSPList; }
  const TCollectionOf<TDSPItemC>& DSPList() const { return FDSPList; }
  // The microphone DSP chain; starts empty.
  TCollectionOf<TDSPItemC>& MicDSPList() { return FMicDSPList; }
  const TCollectionOf<TDSPItemC>& MicDSPList() const { return FMicDSPList; }
  PUBLISHED_PROPERTY(bool, RemoteEnable, false)
  PUBLISHED_PROPERTY(int32_t, RemotePort, 9000)
  PUBLISHED_PROPERTY(std::string, RemotePassword, "")
  PUBLISHED_PROPERTY(bool, RemoteLocalhostOnly, false)
  PUBLISHED_PROPERTY(TEmailServiceType, EmailService, TEmailServiceType::esVendor)
  PUBLISHED_PROPERTY(std::string, EmailHost, "")
  PUBLISHED_PROPERTY(std::string, EmailUser, "")
  PUBLISHED_PROPERTY(std::string, EmailPassword, "")
  PUBLISHED_PROPERTY(int32_t, EmailPort, 25)
  PUBLISHED_PROPERTY(bool, EmailUseTLS, false)
  PUBLISHED_PROPERTY(std::string, EmailSubject, "Notification")
  PUBLISHED_PROPERTY(std::string, EmailFrom, "")
  PUBLISHED_PROPERTY(std::string, EmailServiceKey, "")
  PUBLISHED_PROPERTY(std::string, StrTimeAnnouncement, "(Time Announcement)")
  PUBLISHED_PROPERTY(std::string, StrPlaylist, "(Playlist)")
  PUBLISHED_PROPERTY(std::string, StrTrackList, "(TrackList)")
  // Declared with no default: written even when empty ('').
  PUBLISHED_PROPERTY(std::string, StrNowPlayingEmpty, "")
  PUBLISHED_PROPERTY(std::string, StrTeaser, "(Teaser)")
  PUBLISHED_PROPERTY(int32_t, VOFadeIn, 400)
  PUBLISHED_PROPERTY(int32_t, VOMix, 500)
  PUBLISHED_PROPERTY(int32_t, VOFadeOut, 300)
  PUBLISHED_PROPERTY(int32_t, VOExcludeShort, 50000)
  PUBLISHED_PROPERTY(int32_t, VOExcludeLong, 1200000)
  PUBLISHED_PROPERTY(int32_t, MaxHookDuration, 21000)
  PUBLISHED_PROPERTY(int32_t, TeaserMaxFindTrackAttempts, 120)
  PUBLISHED_PROPERTY(bool, AutoIntroSkipWhenCustomCrossfade, false)
  PUBLISHED_PROPERTY(int32_t, SweeperDelta, 30000)
  PUBLISHED_PROPERTY(int32_t, SweeperMinTime, 0)
  PUBLISHED_PROPERTY(bool, TeaserLog, false)
  PUBLISHED_PROPERTY(int32_t, WeatherDataSource, 1)
  PUBLISHED_PROPERTY(std::string, OpenWeatherMapApiKey, "")
  PUBLISHED_PROPERTY(std::string, AccuWeatherApiKey, "")
  PUBLISHED_PROPERTY(int32_t, WeatherValidPeriod, 12)

 private:
  int32_t FTrackListSelectTimeout = 3000;
  TStringList FAutostartCommands;
  TStringList FArtistSeparator;
  TCollectionOf<THTTPRequest> FHTTPReq;
  TCollectionOf<TDSPItemC> FDSPList;
  TCollectionOf<TDSPItemC> FMicDSPList;
};

// The process-wide player settings: created at start-up, freed at shut-down; null outside.
extern std::unique_ptr<TPlayerIni> PlayerIni;
