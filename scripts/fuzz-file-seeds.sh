#!/usr/bin/env bash
# Writes the seed corpus of the file-road fuzzer into OUT_DIR: a fraction of a second of two DTMF
# keys in every format the tool reads, encoded by the ffmpeg command, plus WAV files whose headers
# state extreme sample rates and channel counts. Deterministic (bit-exact encoders, no metadata)
# and quick, so the corpus is made at fuzz time instead of being kept in git.
# Usage: scripts/fuzz-file-seeds.sh OUT_DIR
set -euo pipefail
out=${1:?usage: scripts/fuzz-file-seeds.sh OUT_DIR}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Keys 5 (770 + 1336 Hz) and # (941 + 1477 Hz), 100 ms each, within 0.3 s.
key5='between(t,0.04,0.14)*0.35*(sin(2*PI*770*t)+sin(2*PI*1336*t))'
keyHash='between(t,0.18,0.28)*0.35*(sin(2*PI*941*t)+sin(2*PI*1477*t))'
tone="$key5+$keyHash"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
# encode NAME RATE CHANNELS [ffmpeg output options...]: the keys at RATE Hz, encoded to NAME.
encode() {
  local name=$1 rate=$2 chans=$3
  shift 3
  local exprs=$tone
  ((chans == 2)) && exprs="$tone|$key5"
  ((chans == 6)) && exprs="$tone|$tone|0|0|$tone|$key5"
  ff -f lavfi -i "aevalsrc=exprs='$exprs':s=$rate:d=0.3" -fflags +bitexact -flags:a +bitexact \
    -map_metadata -1 "$@" "$out/$name"
}

encode pcm16.wav 8000 1 -c:a pcm_s16le
encode pcm16-44100.wav 44100 1 -c:a pcm_s16le
encode pcm8.wav 8000 1 -c:a pcm_u8
encode pcm24.wav 8000 1 -c:a pcm_s24le
encode float-stereo.wav 8000 2 -c:a pcm_f32le
encode ima-adpcm.wav 8000 1 -c:a adpcm_ima_wav
encode ms-adpcm.wav 8000 2 -c:a adpcm_ms
encode keys.mp3 16000 1 -c:a libmp3lame -b:a 32k
encode keys.mp2 16000 1 -c:a mp2 -b:a 32k
encode keys.ogg 16000 1 -c:a libvorbis -q:a 0
encode keys.opus 16000 1 -c:a libopus -b:a 16k
encode keys.flac 8000 1 -c:a flac
encode keys.m4a 16000 1 -c:a aac -b:a 24k
encode keys.aac 16000 2 -c:a aac -b:a 24k -f adts
encode keys.wma 16000 1 -c:a wmav2 -b:a 32k
encode keys.aiff 8000 1 -c:a pcm_s16be
encode keys.caf 8000 2 -c:a alac
encode keys.au 8000 1 -c:a pcm_s16be
# More channels, the highest rate and the older WMA.
encode keys-6ch.opus 48000 6 -c:a libopus -b:a 48k
encode keys-6ch.ogg 16000 6 -c:a libvorbis -q:a 0
encode keys-6ch.m4a 16000 6 -c:a aac -b:a 64k
encode keys-384000.flac 384000 1 -c:a flac -t 0.05
encode keys-v1.wma 8000 2 -c:a wmav1 -b:a 32k

# WAV headers stating extreme rates and channel counts, each followed by up to half a second
# (at most 2 KiB) of the 16-bit keys, so no seed runs long.
tail -c +45 "$out/pcm16.wav" >"$work/samples"
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
# wav_header NAME RATE CHANNELS: a PCM 16-bit header; fields too small for a value take it wrapped.
wav_header() {
  local name=$1 rate=$2 chans=$3
  local block=$((chans * 2))
  local frames=$((rate / 2 > 0 ? rate / 2 : 1))
  local bytes=$((block > 0 ? frames * block : 2048))
  ((bytes > 2048)) && bytes=2048
  {
    printf RIFF; le32 $((36 + bytes)); printf WAVEfmt; printf ' '; le32 16
    le16 1; le16 "$chans"; le32 "$rate"; le32 $((rate * block)); le16 "$block"; le16 16
    printf data; le32 "$bytes"
    head -c "$bytes" "$work/samples"
  } >"$out/$name"
}
for rate in 1 100 1000 2047 384000 4294967295; do
  wav_header "rate-$rate.wav" "$rate" 1
done
for chans in 0 2 8 255 65535; do
  wav_header "chans-$chans.wav" 8000 "$chans"
done
