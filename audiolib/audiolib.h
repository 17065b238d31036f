// The audio library: decoding, push streams, mixers, DSP chains, syncs and spectra.
//
// A C-style interface of free functions over 32-bit handles. Conventions shared by every call:
// - A handle is a DWORD; 0 means failure. Counts and positions are -1 (all bits set) on failure.
// - Every call sets the calling thread's last error code, read with BASS_ErrorGetCode(): BASS_OK
//   after success, one of the BASS_ERROR_* codes after a failure.
// - Freeing 0 or an already freed handle is harmless (it returns FALSE with BASS_ERROR_HANDLE).
// - Sample data is interleaved; lengths are in bytes unless a name says otherwise.
// - Every call may be made from any thread. DSP, stream and sync procedures run on the thread
//   that reads the channel (the caller of BASS_ChannelGetData, or the mixer's reader). A sync
//   procedure may free its channel or change it (seek it, take it out of its mixer); a block in
//   progress is still delivered. DSP and stream procedures must not free their channel.
// - A channel freed on one thread while another thread reads it is safe: the read either
//   completes or fails with BASS_ERROR_HANDLE.
#pragma once

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using QWORD = uint64_t;
using BOOL = int;

using HSTREAM = DWORD;  // a stream: file, push, procedure, dummy or mixer
using HSYNC = DWORD;    // a sync set on a channel
using HDSP = DWORD;     // a DSP procedure set on a channel
using HFX = DWORD;      // an effect set on a channel
using HPLUGIN = DWORD;
using HSAMPLE = DWORD;

// --- Error codes (BASS_ErrorGetCode) ---
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;
constexpr int BASS_ERROR_FILEOPEN = 2;   // the file cannot be opened (missing, no permission)
constexpr int BASS_ERROR_DRIVER = 3;
constexpr int BASS_ERROR_HANDLE = 5;     // not a valid (or an already freed) handle
constexpr int BASS_ERROR_FORMAT = 6;     // unsupported sample format
constexpr int BASS_ERROR_POSITION = 7;
constexpr int BASS_ERROR_INIT = 8;       // BASS_Init has not been called for the device
constexpr int BASS_ERROR_START = 9;
constexpr int BASS_ERROR_SSL = 10;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_NOTAUDIO = 17;  // the file holds no audio track
constexpr int BASS_ERROR_NOCHAN = 18;
constexpr int BASS_ERROR_ILLTYPE = 19;
constexpr int BASS_ERROR_ILLPARAM = 20;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_NOPLAY = 24;
constexpr int BASS_ERROR_FREQ = 25;
constexpr int BASS_ERROR_NOTFILE = 27;
constexpr int BASS_ERROR_NOHW = 29;
constexpr int BASS_ERROR_EMPTY = 31;
constexpr int BASS_ERROR_NONET = 32;
constexpr int BASS_ERROR_CREATE = 33;
constexpr int BASS_ERROR_NOFX = 34;
constexpr int BASS_ERROR_NOTAVAIL = 37;
constexpr int BASS_ERROR_DECODE = 38;    // the channel is not playable (it is decode-only)
constexpr int BASS_ERROR_TIMEOUT = 40;
constexpr int BASS_ERROR_FILEFORM = 41;  // the file's format is not recognised
constexpr int BASS_ERROR_SPEAKER = 42;
constexpr int BASS_ERROR_VERSION = 43;
constexpr int BASS_ERROR_CODEC = 44;     // no decoder for the file's codec
constexpr int BASS_ERROR_ENDED = 45;     // the channel has ended
constexpr int BASS_ERROR_BUSY = 46;
constexpr int BASS_ERROR_PROTOCOL = 48;
constexpr int BASS_ERROR_DENIED = 49;
constexpr int BASS_ERROR_UNKNOWN = -1;

// --- Config options (BASS_SetConfig / BASS_GetConfig / BASS_SetConfigPtr) ---
// An option never set reads as its default (in brackets).
constexpr DWORD BASS_CONFIG_BUFFER = 0;         // ms of a playing channel's buffer [500]
constexpr DWORD BASS_CONFIG_UPDATEPERIOD = 1;   // ms between buffer updates [100]
constexpr DWORD BASS_CONFIG_CURVE_VOL = 7;      // BASS_ATTRIB_VOL curve: 0 linear, 1 logarithmic [0]
constexpr DWORD BASS_CONFIG_FLOATDSP = 9;       // 1: DSP procedures always get float samples [0]
constexpr DWORD BASS_CONFIG_NET_TIMEOUT = 11;   // ms to wait for a server to connect [5000]
constexpr DWORD BASS_CONFIG_NET_BUFFER = 12;    // ms of a network stream's buffer [5000]
constexpr DWORD BASS_CONFIG_NET_PREBUF = 15;    // percent of the buffer filled before playing [75]
constexpr DWORD BASS_CONFIG_NET_AGENT = 16;     // pointer option: user-agent text for network requests
constexpr DWORD BASS_CONFIG_NET_PLAYLIST = 21;  // 1: a playlist URL is followed [0]
constexpr DWORD BASS_CONFIG_UPDATETHREADS = 24; // device update threads [1]
constexpr DWORD BASS_CONFIG_DEV_DEFAULT = 36;   // 1: device 1 follows the system default [0]
constexpr DWORD BASS_CONFIG_NET_READTIMEOUT = 37;  // ms without data before giving up; 0 never [0]
constexpr DWORD BASS_CONFIG_MF_DISABLE = 40;    // accepted, no effect [0]
constexpr DWORD BASS_CONFIG_UNICODE = 42;       // accepted, no effect (texts are UTF-8) [0]
constexpr DWORD BASS_CONFIG_ASYNCFILE_BUFFER = 45;  // bytes of read-ahead for BASS_ASYNCFILE [65536]
constexpr DWORD BASS_CONFIG_MF_VIDEO = 48;      // accepted, no effect [1]
constexpr DWORD BASS_CONFIG_REC_WASAPI = 66;    // accepted, no effect [0]

// --- Channel and stream flags ---
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_MONO = 2;
constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr DWORD BASS_SAMPLE_FLOAT = 0x100;
constexpr DWORD BASS_STREAM_PRESCAN = 0x20000;
constexpr DWORD BASS_STREAM_AUTOFREE = 0x40000;
constexpr DWORD BASS_STREAM_DECODE = 0x200000;
constexpr DWORD BASS_UNICODE = 0x80000000;    // accepted; paths are always UTF-8 here

// --- Mixer flags (BASS_Mixer_StreamCreate; BASS_ChannelFlags changes them later) ---
constexpr DWORD BASS_MIXER_END = 0x10000;      // end as soon as no source is left that has not ended
constexpr DWORD BASS_MIXER_NONSTOP = 0x20000;  // never end: silence while no source gives data

// --- Mixer channel flags (BASS_Mixer_StreamAddChannel, BASS_Mixer_ChannelFlags) ---
// Same bit values as the mixer flags above; each call reads them as its own.
constexpr DWORD BASS_MIXER_MATRIX = 0x10000;    // mix through the matrix set by ChannelSetMatrix
constexpr DWORD BASS_MIXER_CHAN_PAUSE = 0x20000;  // paused in the mixer: not read, keeps its place
constexpr DWORD BASS_MIXER_DOWNMIX = 0x400000;  // average all source channels into each channel
constexpr DWORD BASS_MIXER_CHAN_NORAMPIN = 0x800000;  // accepted: sources never ramp in here
// BASS_STREAM_AUTOFREE as a source flag: the mixer frees the source (running its FREE syncs, on the
// mixer's reading thread) once it has ended in the mixer.

// --- Mixer envelopes (BASS_Mixer_ChannelSetEnvelope) ---
constexpr DWORD BASS_MIXER_ENV_VOL = 2;
struct BASS_MIXER_NODE {
  QWORD pos;    // bytes of the mixer since the source started playing in it
  float value;  // linear gain at that position
};

// --- Stream procedures ---
// Called for data: fill up to `length` bytes of `buffer`, return the bytes written, optionally
// or'ed with BASS_STREAMPROC_END when the stream ends after them.
using STREAMPROC = DWORD(HSTREAM handle, void* buffer, DWORD length, void* user);
constexpr DWORD BASS_STREAMPROC_END = 0x80000000;
// Special procedures for BASS_StreamCreate.
inline STREAMPROC* const STREAMPROC_DUMMY = nullptr;  // GetData runs the DSP chain over the caller's buffer
inline STREAMPROC* const STREAMPROC_PUSH = reinterpret_cast<STREAMPROC*>(~uintptr_t{0});  // fed by PutData

// --- DSP procedures: change `length` bytes of `buffer` in place ---
using DSPPROC = void(HDSP handle, DWORD channel, void* buffer, DWORD length, void* user);

// --- Effects (BASS_ChannelSetFX) ---
// Each processes 32-bit float samples (a channel of another format is converted around its DSP
// and effect chain) and passes the audio unchanged until its parameters are first set.
constexpr DWORD BASS_FX_BFX_VOLUME = 0x10003;       // BASS_BFX_VOLUME
constexpr DWORD BASS_FX_BFX_PEAKEQ = 0x10004;       // BASS_BFX_PEAKEQ, up to 32 bands
constexpr DWORD BASS_FX_BFX_COMPRESSOR2 = 0x10011;  // BASS_BFX_COMPRESSOR2
constexpr DWORD BASS_FX_BFX_BQF = 0x10013;          // BASS_BFX_BQF
// lChannel of the records: BASS_BFX_CHANALL, or a mask with bit i for channel i (1 = the first).
constexpr int BASS_BFX_CHANALL = -1;
constexpr int BASS_BFX_CHANNONE = 0;  // the volume effect: its global volume
constexpr int BASS_BFX_BQF_LOWPASS = 0;
constexpr int BASS_BFX_BQF_HIGHPASS = 1;

// A 12 dB/octave low- or high-pass filter. Width: fQ when above 0, else fBandwidth octaves
// (above 0). fCenter (the cut-off, Hz) must lie below half the sample rate. fGain and fS unused.
struct BASS_BFX_BQF {
  int lFilter;
  float fCenter;
  float fGain;
  float fBandwidth;
  float fQ;
  float fS;
  int lChannel;
};
// One band of the peaking equaliser (lBand 0..31; a band is added when first set): fGain dB at
// fCenter Hz, width fQ when above 0, else fBandwidth octaves. Reading takes lBand from the record.
struct BASS_BFX_PEAKEQ {
  int lBand;
  float fBandwidth;
  float fQ;
  float fCenter;
  float fGain;
  int lChannel;
};
// A feed-forward compressor on the peak level of the chosen channels (linked): above fThreshold
// dB the level rises 1/fRatio dB per dB; fGain dB of make-up gain; fAttack and fRelease in ms.
struct BASS_BFX_COMPRESSOR2 {
  float fGain;
  float fThreshold;
  float fRatio;
  float fAttack;
  float fRelease;
  int lChannel;
};
// lChannel BASS_BFX_CHANNONE sets the global volume; a mask (or CHANALL) sets the volume of those
// channels. Output = input x global x channel volume. Reading with a mask reads its first channel.
struct BASS_BFX_VOLUME {
  int lChannel;
  float fVolume;
};

// --- Syncs ---
using SYNCPROC = void(HSYNC handle, DWORD channel, DWORD data, void* user);
constexpr DWORD BASS_SYNC_POS = 0;
constexpr DWORD BASS_SYNC_END = 2;   // the channel reached its end
constexpr DWORD BASS_SYNC_FREE = 8;  // the channel is being freed
constexpr DWORD BASS_SYNC_MIXTIME = 0x40000000;
constexpr DWORD BASS_SYNC_ONETIME = 0x80000000;

// --- Channel attributes ---
constexpr DWORD BASS_ATTRIB_VOL = 2;  // volume: 0 silent, 1 unchanged (gain per BASS_CONFIG_CURVE_VOL)

// --- BASS_ChannelIsActive ---
constexpr DWORD BASS_ACTIVE_STOPPED = 0;  // ended, stopped, or never had data
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_STALLED = 2;  // waiting for data (a dry push stream before its end)
constexpr DWORD BASS_ACTIVE_PAUSED = 3;   // paused in its mixer (BASS_MIXER_CHAN_PAUSE)

// --- BASS_ChannelGetData length flags ---
constexpr DWORD BASS_DATA_AVAILABLE = 0;
constexpr DWORD BASS_DATA_FFT256 = 0x80000000;   // 128 magnitudes of the next 256 samples
constexpr DWORD BASS_DATA_FFT512 = 0x80000001;   // 256 magnitudes of the next 512 samples
constexpr DWORD BASS_DATA_FFT1024 = 0x80000002;
constexpr DWORD BASS_DATA_FFT2048 = 0x80000003;
constexpr DWORD BASS_DATA_FFT4096 = 0x80000004;
constexpr DWORD BASS_DATA_FFT8192 = 0x80000005;

// --- Position modes ---
constexpr DWORD BASS_POS_BYTE = 0;

// --- Channel types (BASS_CHANNELINFO::ctype) ---
constexpr DWORD BASS_CTYPE_STREAM = 0x10000;
constexpr DWORD BASS_CTYPE_STREAM_VORBIS = 0x10002;
constexpr DWORD BASS_CTYPE_STREAM_MP1 = 0x10003;
constexpr DWORD BASS_CTYPE_STREAM_MP2 = 0x10004;
constexpr DWORD BASS_CTYPE_STREAM_MP3 = 0x10005;
constexpr DWORD BASS_CTYPE_STREAM_AIFF = 0x10006;
constexpr DWORD BASS_CTYPE_STREAM_WMA = 0x10300;
constexpr DWORD BASS_CTYPE_STREAM_MIXER = 0x10800;
constexpr DWORD BASS_CTYPE_STREAM_FLAC = 0x10900;
constexpr DWORD BASS_CTYPE_STREAM_AAC = 0x10b00;
constexpr DWORD BASS_CTYPE_STREAM_MP4 = 0x10b01;
constexpr DWORD BASS_CTYPE_STREAM_OPUS = 0x11200;
constexpr DWORD BASS_CTYPE_STREAM_DUMMY = 0x18000;
constexpr DWORD BASS_CTYPE_STREAM_WAV = 0x40000;
constexpr DWORD BASS_CTYPE_STREAM_WAV_PCM = 0x50001;
constexpr DWORD BASS_CTYPE_STREAM_WAV_FLOAT = 0x50003;

struct BASS_CHANNELINFO {
  DWORD freq;      // sample rate, Hz
  DWORD chans;     // channel count
  DWORD flags;     // BASS_SAMPLE_* and BASS_STREAM_* flags the channel was created with
  DWORD ctype;     // BASS_CTYPE_*
  DWORD origres;   // original resolution in bits of a file stream (0 when not known)
  HPLUGIN plugin;  // always 0
  HSAMPLE sample;  // always 0
  const char* filename;  // UTF-8 path of a file stream (valid while the channel lives), else null
};

// --- Library and devices ---
// Device 0 is the no-sound device (decoding and mixing without hardware); -1 is the default
// output device, which is device 1 (PortAudio's default output; BASS_ERROR_DEVICE when the
// system has none). BASS_Init fails with BASS_ERROR_ALREADY when the device is initialised already.
// `win` and `clsid` are accepted and ignored. A thread that has selected no device uses device 0,
// which BASS_SetDevice accepts without BASS_Init; other devices must be initialised (else
// BASS_ERROR_INIT). Channels keep the device current on their creating thread.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
BOOL BASS_Free();                  // frees the calling thread's current device; channels stay
BOOL BASS_SetDevice(DWORD device); // selects the calling thread's current device
DWORD BASS_GetDevice();            // the calling thread's current device; -1 on error
BOOL BASS_SetConfig(DWORD option, DWORD value);
// The value set, or the default of a known option; -1 for an unknown option never set
// (BASS_ERROR_ILLPARAM).
DWORD BASS_GetConfig(DWORD option);
BOOL BASS_SetConfigPtr(DWORD option, const void* value);  // the text is copied
const void* BASS_GetConfigPtr(DWORD option);  // null for an unknown option; valid until set again
DWORD BASS_GetVersion();
DWORD BASS_FX_GetVersion();  // the effects add-on's version; it is built in
int BASS_ErrorGetCode();     // the calling thread's last error code

// --- Output: devices that play ---
// BASS_Init opens every listed output (1.. as BASS_GetDeviceInfo numbers them) at `freq` Hz (0:
// the device's own rate; a rate the sound system refuses falls back to the device's own), in
// stereo, and starts it; `flags` (BASS_DEVICE_DSOUND and the rest) are accepted and ignored.
// Failures: BASS_ERROR_DEVICE (no such output, disabled, or lost), BASS_ERROR_BUSY (held by another
// program), BASS_ERROR_DRIVER (the sound system failed). Device 0 plays to nothing in real time.
// A playing channel is mixed into its device (the one current when it was created): resampled to
// the device rate, through its DSP chain, times its BASS_ATTRIB_VOL; its procedures and syncs run on
// the device's update thread, which keeps BASS_CONFIG_BUFFER ms rendered ahead and wakes every
// BASS_CONFIG_UPDATEPERIOD ms. When a device is lost its playing channels are STALLED and play on
// when it is back; BASS_Free of a lost device works, and so does BASS_Init once it is back.
constexpr DWORD BASS_DEVICE_DSOUND = 0x40000;
// Stops the current device's output and every channel playing on it (they become STOPPED);
// BASS_ChannelPlay then fails with BASS_ERROR_START until BASS_Start.
BOOL BASS_Stop();
BOOL BASS_Start();  // starts the current device's output again
// Plays a channel on its device, or resumes it when paused. `restart`: from its beginning (a
// stream that cannot seek, such as a splitter, goes on from where it is, with a fresh resampler).
// Failures: BASS_ERROR_HANDLE, BASS_ERROR_DECODE (decode-only channel), BASS_ERROR_INIT (its device
// is not initialised), BASS_ERROR_START (the output is stopped).
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
// BASS_ChannelStop (declared with the recording calls) stops a playing or paused channel: it keeps
// its position and BASS_ChannelPlay goes on from there. TRUE also for a channel that was not playing.
// Pauses a playing channel. Failures: BASS_ERROR_HANDLE, BASS_ERROR_DECODE, BASS_ERROR_NOPLAY (not
// playing), BASS_ERROR_ALREADY (paused already).
BOOL BASS_ChannelPause(DWORD handle);

// --- Streams ---
// Decodes a whole file (FFmpeg: WAV, MP3, Ogg, Opus, FLAC, AAC/M4A, WMA, ...). `mem` must be
// FALSE; `file` is a UTF-8 path; `offset` and `length` must be 0. Output is 16-bit unless
// BASS_SAMPLE_FLOAT (32-bit float) is given. Fails with FILEOPEN, FILEFORM, NOTAUDIO or CODEC.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
// A stream fed by `proc`, by BASS_StreamPutData (STREAMPROC_PUSH) or by the caller's own buffer
// (STREAMPROC_DUMMY). Samples are 16-bit, 8-bit (BASS_SAMPLE_8BITS) or float (BASS_SAMPLE_FLOAT).
HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user);
// Push streams: appends `length` bytes and returns the bytes now queued; with a null buffer and
// length 0 returns the bytes queued (also after the end mark). `length` or'ed with
// BASS_STREAMPROC_END marks the end (a null buffer with just the flag marks it without data): reads
// drain the queue and then end; a read of a dry queue before the end gives 0 bytes. -1 on error
// (appending after the end mark: BASS_ERROR_ENDED; not a push stream: BASS_ERROR_NOTAVAIL; the
// queue would reach 4 GiB: BASS_ERROR_MEM).
DWORD BASS_StreamPutData(HSTREAM handle, const void* buffer, DWORD length);
BOOL BASS_StreamFree(HSTREAM handle);  // runs BASS_SYNC_FREE syncs; removes it from its mixer

// --- URL streams (http and https) ---
// BASS_StreamCreateURL: connects, reads the response headers and enough of the body to know the
// format, then returns; a download thread keeps filling the stream's buffer (BASS_CONFIG_NET_BUFFER
// ms of the stream's bit rate) and the stream decodes from it. The stream cannot seek. A playlist
// address (.pls, .m3u, or a playlist content type) is followed to its first entry when
// BASS_CONFIG_NET_PLAYLIST is not 0. `offset`: bytes of the file to skip (asked of the server as a
// range). `url`: UTF-8 (BASS_UNICODE is accepted and ignored). Waits at most
// BASS_CONFIG_NET_TIMEOUT ms for the connection and the headers, and for each wait for body data
// BASS_CONFIG_NET_READTIMEOUT ms (BASS_CONFIG_NET_TIMEOUT when that is 0); then, without failing,
// at most BASS_CONFIG_NET_TIMEOUT ms for BASS_CONFIG_NET_PREBUF percent of the buffer. Fails with
// ILLPARAM (no address), PROTOCOL (not http or https), FILEOPEN (no connection, an HTTP error
// status, a header over 64 KiB), SSL, TIMEOUT, FILEFORM, NOTAUDIO, CODEC. Once the body flows, a
// read that finds the
// buffer empty returns what there is (BASS_ChannelIsActive: STALLED until data comes back); the
// stream ends when the server closes the connection, or no data came for
// BASS_CONFIG_NET_READTIMEOUT ms (when not 0), and the buffer has been read.
constexpr DWORD BASS_STREAM_BLOCK = 0x100000;   // accepted: URL streams always stream in blocks
constexpr DWORD BASS_STREAM_STATUS = 0x800000;  // pass the response headers to the DOWNLOADPROC
// Called on the stream's download thread (while BASS_StreamCreateURL waits, then after it): with
// the response header text (strings as BASS_TAG_HTTP, status line first, `length` 0) when
// BASS_STREAM_STATUS is given, also for an HTTP error status; then with each block of body data
// (ICY metadata taken out); and once with a null `buffer` when the server has ended the download.
// Never called after the stream is freed; it must not free the stream itself.
using DOWNLOADPROC = void(const void* buffer, DWORD length, void* user);
HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                             void* user);
// File positions of a URL stream, in bytes of the file (-1 with BASS_ERROR_NOTFILE for other
// streams, BASS_ERROR_ILLTYPE for another mode): CURRENT what the decoder has taken, DOWNLOAD what
// has arrived, END the buffer's length (streamed in blocks), BUFFER what is buffered and not yet
// decoded, CONNECTED 1 while the download runs, else 0. WMA_BUFFER: BASS_ERROR_NOTAVAIL (no Windows
// Media streams here). Any thread.
constexpr DWORD BASS_FILEPOS_CURRENT = 0;
constexpr DWORD BASS_FILEPOS_DOWNLOAD = 1;
constexpr DWORD BASS_FILEPOS_END = 2;
constexpr DWORD BASS_FILEPOS_CONNECTED = 4;
constexpr DWORD BASS_FILEPOS_BUFFER = 5;
constexpr DWORD BASS_FILEPOS_WMA_BUFFER = 1000;
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
// Tags of a URL stream: null-terminated strings one after another, ended by an empty one (HTTP:
// status line and headers of an HTTP response; ICY: those of an "ICY 200 OK" response; OGG: the
// comments "KEY=value" of the current Vorbis or Opus stream), or one string (META: the last ICY
// metadata block, e.g. "StreamTitle='...';"). A tag the stream does not have (also any WMA kind)
// gives null with BASS_ERROR_NOTAVAIL. The text stays valid until the stream is freed or the tag has
// changed 16 more times. Any thread.
constexpr DWORD BASS_TAG_OGG = 2;
constexpr DWORD BASS_TAG_HTTP = 3;
constexpr DWORD BASS_TAG_ICY = 4;
constexpr DWORD BASS_TAG_META = 5;
constexpr DWORD BASS_TAG_WMA = 8;
constexpr DWORD BASS_TAG_WMA_META = 11;
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
// Syncs of URL streams, run on the thread that reads the stream at its next read after the download
// saw the change: META when an ICY metadata block with a new text arrives, OGG_CHANGE when a new
// logical Ogg stream (new comments) begins after the first. WMA_META is refused (ILLTYPE).
constexpr DWORD BASS_SYNC_META = 4;
constexpr DWORD BASS_SYNC_OGG_CHANGE = 12;
constexpr DWORD BASS_SYNC_WMA_META = 0x10101;

// --- Channels ---
BOOL BASS_ChannelFree(DWORD handle);
// Changes the flags in `mask` to those in `flags` and returns the channel's flags (-1 on error).
// Changeable: BASS_SAMPLE_LOOP (file streams), BASS_MIXER_NONSTOP and BASS_MIXER_END (mixers);
// other bits of `mask` are left as they are.
DWORD BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
// Bytes; -1 when not known. A push stream's length is known (the bytes ever appended) once its
// end has been marked, so this also tells whether more data can still come.
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);  // bytes decoded so far
// Push streams: drops what is queued (the position becomes `pos`).
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);  // negative on error
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);  // whole sample frames; -1 on error
DWORD BASS_ChannelGetDevice(DWORD handle);                  // -1 on error
// Reads `length` bytes of sample data (DSP chain applied), or with a BASS_DATA_FFT* value the
// magnitudes of the next FFT-size sample frames (consumed; channels averaged; Hann window; a sine
// of amplitude A centred on a bin reads A). Returns the bytes written to `buffer`, -1 at the end
// (BASS_ERROR_ENDED) or on error. A last FFT frame shorter than the size is padded with silence.
// Dummy streams give no FFT (BASS_ERROR_NOTAVAIL).
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
// DSP procedures run per block before the data is returned or mixed; higher priority runs first.
HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority);
BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp);
// Effects run in the DSP chain, ordered with the DSP procedures by priority (higher first; equal
// priorities in the order set). BASS_ChannelSetFX fails with ILLTYPE for an unknown type and
// FORMAT for a channel over 32 channels. Parameters: BASS_ERROR_ILLPARAM for values out of range
// (the effect keeps its previous ones), BASS_ERROR_HANDLE for a removed effect.
HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX fx, const void* params);
BOOL BASS_FXGetParameters(HFX fx, void* params);
// Types: BASS_SYNC_POS (`param` is the byte position), BASS_SYNC_END, BASS_SYNC_FREE (runs on the
// freeing thread, after any read in progress has finished; for an AUTOFREE mixer source, on the
// mixer's reading thread), each optionally with BASS_SYNC_ONETIME and BASS_SYNC_MIXTIME; others
// fail with BASS_ERROR_ILLTYPE. A POS sync on a mixer source fires while the mixer mixes the block
// that holds that source position (resampled sources: up to a few frames of read-ahead early).
// Every sync runs at mix time, as the channel is read: no output plays yet, so there is no later,
// heard moment to delay a sync without BASS_SYNC_MIXTIME to.
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);
// BASS_ACTIVE_*; BASS_ACTIVE_STOPPED with BASS_ERROR_HANDLE for a freed or unknown handle.
DWORD BASS_ChannelIsActive(DWORD handle);

// Attributes. Only BASS_ATTRIB_VOL exists (others: BASS_ERROR_ILLTYPE). The volume is applied as a
// gain where the channel is mixed into a mixer (or played), not to BASS_ChannelGetData of the
// channel itself; a value above 1 amplifies. Negative values: BASS_ERROR_ILLPARAM. Setting ends a
// slide in progress.
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);  // during a slide: now
// Moves the attribute linearly in value from where it is to `value` over `time` ms of the audio
// the channel renders where it is mixed (sample time, not the clock); the gain follows the
// volume curve. A `value` of -1 fades to 0 and then stops the channel (it ends in its mixer,
// which frees it when it was added with BASS_STREAM_AUTOFREE). A new slide replaces one in progress.
BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time);
BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib);  // FALSE also on error

// --- Mixers (decode-only) ---
// Sources are resampled to the mixer's rate. A read returns the requested length, taking what
// each source gives (a push source whose queue runs dry, a paused source or one not started yet
// adds silence), until the mixer ends (the last read may be shorter): by default once it has
// sources and all of them have ended; with BASS_MIXER_END once no source is left that has not
// ended (also when it has none, as after its AUTOFREE sources were freed); with BASS_MIXER_NONSTOP
// never. A mixer without sources gives silence until then; adding a source to an ended mixer
// makes it give data again.
HSTREAM BASS_Mixer_StreamCreate(DWORD freq, DWORD chans, DWORD flags);
// flags 0: source channel i feeds mixer channel i (a wider source gives its first channels; a
// mono source feeds every mixer channel);
// BASS_MIXER_MATRIX: through the channel's matrix (identity until set);
// BASS_MIXER_DOWNMIX: every mixer channel gets the average of all source channels.
// Fails with ALREADY (in a mixer), ILLPARAM (a loop), ILLTYPE (a dummy stream), HANDLE.
// Other flag bits (speaker assignments) are accepted and have no effect.
BOOL BASS_Mixer_StreamAddChannel(HSTREAM mixer, DWORD channel, DWORD flags);
// As BASS_Mixer_StreamAddChannel, and the source starts `start` bytes of the mixer after the
// mixer's next byte (silence until then) and ends in the mixer after `length` bytes of the mixer
// (0: no limit). Both are cut to whole mixer frames.
BOOL BASS_Mixer_StreamAddChannelEx(HSTREAM mixer, DWORD channel, DWORD flags, QWORD start,
                                   QWORD length);
// Changes the source flags in `mask` (only BASS_MIXER_CHAN_PAUSE, BASS_STREAM_AUTOFREE and
// BASS_MIXER_CHAN_NORAMPIN change) to those in `flags`; returns the source's flags, -1 on error
// (BASS_ERROR_HANDLE when the channel is in no mixer). A paused source is not read and keeps its
// position; BASS_ChannelIsActive reports it PAUSED.
DWORD BASS_Mixer_ChannelFlags(DWORD channel, DWORD flags, DWORD mask);
// The mixer's sources: writes up to `count` handles to `channels` (may be null) and returns how
// many sources there are (0 without error for none); -1 on error.
DWORD BASS_Mixer_StreamGetChannels(HSTREAM mixer, DWORD* channels, DWORD count);
// A source's position in bytes of its own data, as far as the mixer has mixed it (data read ahead
// for resampling does not count). BASS_POS_BYTE only. -1 on error.
QWORD BASS_Mixer_ChannelGetPosition(DWORD channel, DWORD mode);
// BASS_MIXER_ENV_VOL only (else BASS_ERROR_ILLTYPE): gains at positions in mixer bytes counted
// from where the source started playing, linear between nodes, the first gain before the first
// node and the last after the last. Positions must not decrease (BASS_ERROR_ILLPARAM). A null
// `nodes` or `count` 0 removes the envelope. Applied with the source's volume.
BOOL BASS_Mixer_ChannelSetEnvelope(DWORD channel, DWORD type, const BASS_MIXER_NODE* nodes,
                                   DWORD count);
BOOL BASS_Mixer_ChannelRemove(DWORD channel);
// `matrix`: floats, a row per mixer channel, a column per source channel.
// Only for a channel added with BASS_MIXER_MATRIX (else BASS_ERROR_NOTAVAIL).
BOOL BASS_Mixer_ChannelSetMatrix(DWORD channel, const void* matrix);
HSTREAM BASS_Mixer_ChannelGetMixer(DWORD channel);  // 0 when the channel is in no mixer

// --- Splitters ---
// A stream carrying the data of `channel` (its format; `chanmap` must be null). Several splitters
// of one source each get the source's data independently, read at their own pace on any threads:
// the source is read as the splitter furthest ahead needs it, and the last 2000 ms of it are kept
// for the others. A splitter that falls further behind than that loses the oldest data (it goes
// on from the oldest data kept); it never blocks the other splitters. A splitter starts with the
// data the source gives after it was made and ends once the source has ended (or is freed) and it
// has had everything. The source should be read only through its splitters. `flags`: as for
// BASS_StreamCreate (BASS_STREAM_DECODE, speaker flags accepted). Fails with HANDLE, ILLTYPE (a
// dummy stream), ILLPARAM (a channel map).
HSTREAM BASS_Split_StreamCreate(DWORD channel, DWORD flags, const int* chanmap);

// --- Add-ons in separate libraries (plug-in hosts) ---
// No plug-in host is part of this library. An add-on's Windows name maps to a Linux library
// ("bass_vst.dll" -> "libbass_vst.so", found as dlopen finds libraries); when it is absent the
// calls below fail quietly (no message), which callers treat as "add-on unavailable".
// BASS_AddOnOpen: null with BASS_ERROR_FILEOPEN when the library is absent (or cannot load).
// BASS_AddOnSymbol: a function of it, null with BASS_ERROR_NOTAVAIL when it has none such.
// BASS_AddOnClose: unloads it; its functions must no longer be called. Any thread.
void* BASS_AddOnOpen(const char* name);
void* BASS_AddOnSymbol(void* addOn, const char* function);
BOOL BASS_AddOnClose(void* addOn);
// The Winamp-DSP calls, forwarded to the functions of the same names in "bass_wadsp.dll"
// (libbass_wadsp.so). Without that library each fails with BASS_ERROR_NOTAVAIL (0, FALSE or null).
// Texts are 8-bit.
BOOL BASS_WADSP_Init(void* win);
DWORD BASS_WADSP_Load(const char* file, int x, int y, int width, int height, void* proc);
const char* BASS_WADSP_GetName(DWORD plugin);
BOOL BASS_WADSP_Start(DWORD plugin, DWORD module, DWORD channel);
BOOL BASS_WADSP_Stop(DWORD plugin);
HDSP BASS_WADSP_ChannelSetDSP(DWORD plugin, DWORD channel, int priority);
BOOL BASS_WADSP_ChannelRemoveDSP(DWORD plugin);
BOOL BASS_WADSP_SetSongTitle(DWORD plugin, const char* title);
BOOL BASS_WADSP_SetFileName(DWORD plugin, const char* file);
BOOL BASS_WADSP_Free();

// --- Device enumeration ---
// Four device lists, each numbered from 0 and walked by index until a call fails with
// BASS_ERROR_DEVICE (BASS_ERROR_ILLPARAM for a null `info`):
// - BASS_GetDeviceInfo: the library's own outputs. 0 is the no-sound device, 1 the system's
//   default output, then the other outputs of PortAudio's default host API.
// - BASS_RecordGetDeviceInfo: the library's own inputs, the default input first.
// - BASS_WASAPI_GetDeviceInfo: the endpoints of PortAudio's ALSA host API, outputs then inputs
//   (an ALSA device with both directions appears once as each).
// - BASS_ASIO_GetDeviceInfo: the devices of PortAudio's JACK host API.
// A layer that cannot be reached (no ALSA, no JACK server) is an empty list. Setting the
// environment variable TONESENTRY_VIRTUAL_DEVICES replaces every list by a virtual one
// (audiolib/devices/VirtualDeviceBackend.h). The lists are read once and again only when that variable
// changes. Text pointers stay valid until the process ends. Any thread.
constexpr DWORD BASS_DEVICE_ENABLED = 1;
constexpr DWORD BASS_DEVICE_DEFAULT = 2;   // the system's default device of its direction
constexpr DWORD BASS_DEVICE_INIT = 4;      // initialised by BASS_Init (outputs)
constexpr DWORD BASS_DEVICE_LOOPBACK = 8;  // captures what an output plays
constexpr DWORD BASS_DEVICE_INPUT = 16;

struct BASS_DEVICEINFO {
  const char* name;    // display name, UTF-8
  const char* driver;  // identifier that finds the device again; "" for the no-sound device
  DWORD flags;         // BASS_DEVICE_*
};

struct BASS_WASAPI_DEVICEINFO {
  const char* name;  // display name, UTF-8
  const char* id;    // identifier that finds the endpoint again
  DWORD flags;       // BASS_DEVICE_*
  DWORD mixfreq;     // the endpoint's default sample rate, Hz
  DWORD mixchans;    // the endpoint's channel count in its direction
};

struct BASS_ASIO_DEVICEINFO {
  const char* name;    // display name, UTF-8
  const char* driver;  // identifier that finds the driver again
};

BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
BOOL BASS_RecordGetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
BOOL BASS_WASAPI_GetDeviceInfo(DWORD device, BASS_WASAPI_DEVICEINFO* info);
BOOL BASS_ASIO_GetDeviceInfo(DWORD device, BASS_ASIO_DEVICEINFO* info);

// --- Recording (the library's own inputs, numbered as BASS_RecordGetDeviceInfo lists them) ---
// BASS_RecordInit(-1) is the default input (0). Initialising an initialised input fails with
// BASS_ERROR_ALREADY; a missing or disabled input with BASS_ERROR_DEVICE. The current input is
// per thread, like the output device: BASS_RecordInit selects it, BASS_RecordSetDevice changes it
// (BASS_ERROR_DEVICE for no such input, BASS_ERROR_INIT for one not initialised).
// BASS_RecordFree frees the calling thread's current input and its recording channels.
using HRECORD = DWORD;
// Called on the recording channel's capture thread with each captured block (the channel's format,
// after its DSP chain); return FALSE to stop recording. It may stop its channel but must not free it.
using RECORDPROC = BOOL(HRECORD handle, const void* buffer, DWORD length, void* user);
BOOL BASS_RecordInit(int device);
BOOL BASS_RecordFree();
BOOL BASS_RecordSetDevice(DWORD device);
DWORD BASS_RecordGetDevice();  // -1 (BASS_ERROR_INIT) when the thread has no input
// Starts capturing from the current input at `freq` Hz (0: 44100) with `chans` channels (0: 2), as
// 16-bit, 8-bit (BASS_SAMPLE_8BITS) or float (BASS_SAMPLE_FLOAT) samples. With a `proc` the
// blocks go to it; without one they wait (up to 2 s; a full buffer drops what comes next) to be
// read with BASS_ChannelGetData, which gives what has been captured so far (0 bytes when nothing
// is waiting). BASS_ChannelStop (or the proc returning FALSE) ends the recording: what was captured
// can still be read, then the channel ends. A lost input ends it the same way. Fails with INIT (no
// input), DEVICE (input gone), BUSY (in use elsewhere), FREQ, FORMAT.
HRECORD BASS_RecordStart(DWORD freq, DWORD chans, DWORD flags, RECORDPROC* proc, void* user);
BOOL BASS_ChannelStop(DWORD handle);

// --- WASAPI-style layer (the endpoints BASS_WASAPI_GetDeviceInfo lists; ALSA through PortAudio) ---
// Init: `device` -1 is the default output, -2 the default input; `freq`/`chans` 0 take the
// endpoint's own (mix) format. Shared, an endpoint runs at its mix rate (BASS_WASAPI_DEVICEINFO's
// mixfreq) with up to mixchans channels: another rate or more channels give BASS_ERROR_FORMAT, or
// with AUTOFORMAT the mix rate and at most mixchans; exclusive (BASS_WASAPI_EXCLUSIVE), the format
// asked, AUTOFORMAT falling back to the mix format when it is refused. GetInfo tells the format in
// use. `buffer` and `period` are seconds (0: 0.1 s buffer, 10 ms period).
// The WASAPIPROC is called on a feeder thread of the device, never the sound system's real-time
// thread: for an output it fills `length` bytes of float samples and returns the bytes written
// (the rest plays as silence); for an input it receives each captured block and returns FALSE to
// stop the device. The current device is per thread (Init selects it). Errors: DEVICE (no such
// endpoint, or lost), ALREADY, BUSY (held exclusively elsewhere), FORMAT/FREQ (format refused
// without AUTOFORMAT), INIT (SetDevice/Start/... on a device not initialised), ILLPARAM.
constexpr DWORD BASS_WASAPI_EXCLUSIVE = 1;
constexpr DWORD BASS_WASAPI_AUTOFORMAT = 2;  // take the endpoint's format when the one asked is refused
constexpr DWORD BASS_WASAPI_EVENT = 0x10;    // accepted: the feeder always follows the device
constexpr DWORD BASS_WASAPI_FORMAT_FLOAT = 0;
// Notifications (BASS_WASAPI_SetNotify), on a thread of the sound system; `device` is the
// endpoint's number. The procedure must not free the device.
constexpr DWORD BASS_WASAPI_NOTIFY_ENABLED = 0;     // a lost endpoint is back
constexpr DWORD BASS_WASAPI_NOTIFY_DISABLED = 1;    // the endpoint went away; its device stopped
constexpr DWORD BASS_WASAPI_NOTIFY_FAIL = 0x100;    // the device's stream failed and stopped
using WASAPIPROC = DWORD(void* buffer, DWORD length, void* user);
using WASAPINOTIFYPROC = void(DWORD notify, DWORD device, void* user);
struct BASS_WASAPI_INFO {
  DWORD initflags;  // the flags given to BASS_WASAPI_Init
  DWORD freq;       // Hz, as opened
  DWORD chans;
  DWORD format;     // BASS_WASAPI_FORMAT_FLOAT
  DWORD buflen;     // bytes of the device's buffer
  float volmax;     // always 1
  float volmin;     // always 0
  float volstep;    // always 0
};
BOOL BASS_WASAPI_Init(int device, DWORD freq, DWORD chans, DWORD flags, float buffer, float period,
                      WASAPIPROC* proc, void* user);
BOOL BASS_WASAPI_Free();  // the current device (stopped first)
BOOL BASS_WASAPI_SetDevice(DWORD device);
DWORD BASS_WASAPI_GetDevice();  // -1 (BASS_ERROR_INIT) when the thread has none
BOOL BASS_WASAPI_GetInfo(BASS_WASAPI_INFO* info);
BOOL BASS_WASAPI_Start();
BOOL BASS_WASAPI_Stop(BOOL reset);  // `reset` drops what is buffered (always done here)
BOOL BASS_WASAPI_IsStarted();        // FALSE also on error
BOOL BASS_WASAPI_SetNotify(WASAPINOTIFYPROC* proc, void* user);  // one procedure for every device

// --- ASIO-style layer (the drivers BASS_ASIO_GetDeviceInfo lists; JACK through PortAudio) ---
// A driver's channels are its JACK ports, numbered from 0 per direction. A channel is enabled with
// an ASIOPROC; channels joined to it travel with it as further interleaved channels. The ASIOPROC
// runs on a feeder thread of the device (never JACK's real-time thread): an output's fills
// `length` bytes and returns the bytes written (the rest plays as silence); an input's receives
// each captured block (its return value is ignored). Channel data is at the channel's rate
// (resampled to and from the device's) in the channel's format. Start opens the JACK ports of the
// enabled channels; rate and channel set-up need the device stopped, else BASS_ERROR_START. The
// current device is per thread (Init selects it). Errors: DEVICE (no such driver, or lost),
// ALREADY, INIT, ILLPARAM (no such channel), FORMAT (format or device rate refused), START.
constexpr DWORD BASS_ASIO_FORMAT_16BIT = 16;
constexpr DWORD BASS_ASIO_FORMAT_FLOAT = 19;
constexpr DWORD BASS_ASIO_RESET_ENABLE = 1;  // disable the channel
constexpr DWORD BASS_ASIO_RESET_JOIN = 2;    // take the channel out of its join
constexpr DWORD BASS_ASIO_RESET_PAUSE = 4;   // unpause the channel
constexpr DWORD BASS_ASIO_RESET_FORMAT = 8;  // back to float
constexpr DWORD BASS_ASIO_RESET_RATE = 16;   // back to the device's rate
// Notifications (BASS_ASIO_SetNotify), on a thread of the sound system. The procedure must not
// free the device.
constexpr DWORD BASS_ASIO_NOTIFY_RATE = 1;   // the device's rate changed (read it with GetRate)
constexpr DWORD BASS_ASIO_NOTIFY_RESET = 2;  // the device was lost or its stream failed; it stopped
using ASIOPROC = DWORD(BOOL input, DWORD channel, void* buffer, DWORD length, void* user);
using ASIONOTIFYPROC = void(DWORD notify, void* user);
BOOL BASS_ASIO_Init(int device, DWORD flags);  // -1: the first driver; `flags` accepted
BOOL BASS_ASIO_Free();
BOOL BASS_ASIO_SetDevice(DWORD device);
DWORD BASS_ASIO_GetDevice();  // -1 (BASS_ERROR_INIT) when the thread has none
// `buflen`: frames per feeder block (0: the sound system's choice); `threads` is accepted.
BOOL BASS_ASIO_Start(DWORD buflen, DWORD threads);
BOOL BASS_ASIO_Stop();
BOOL BASS_ASIO_IsStarted();
double BASS_ASIO_GetRate();  // Hz; -1 on error
BOOL BASS_ASIO_SetRate(double rate);
BOOL BASS_ASIO_SetNotify(ASIONOTIFYPROC* proc, void* user);
BOOL BASS_ASIO_ChannelEnable(BOOL input, DWORD channel, ASIOPROC* proc, void* user);  // null disables
BOOL BASS_ASIO_ChannelJoin(BOOL input, DWORD channel, int channel2);  // -1 takes it out of a join
BOOL BASS_ASIO_ChannelSetRate(BOOL input, DWORD channel, double rate);  // 0: the device's rate
BOOL BASS_ASIO_ChannelSetFormat(BOOL input, DWORD channel, DWORD format);
BOOL BASS_ASIO_ChannelReset(BOOL input, int channel, DWORD flags);  // channel -1: every channel
