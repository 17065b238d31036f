#!/usr/bin/env bash
# Builds the recordings benchmark set (not checked in) from Debian packages of recorded sound:
#   music.wav       the first hour of Wesnoth's orchestral soundtrack (wesnoth-1.16-music), 44.1 kHz
#                   stereo, peaks normalised to -6 dBFS;
#   speech.wav      every English telephone prompt of Asterisk (asterisk-core-sounds-en-wav, one
#                   recorded voice, 8 kHz mono), about 25 minutes, 0.3 s between prompts;
#   music-keys.wav  music.wav with a 100 ms key (each tone at -26 dBFS) every 10 s, 5 s into each
#                   10 s, cycling through 123A456B789C*0#D; music-keys.txt lists them, "SECONDS KEY".
# bench/detect_bench.sh measures both detectors on the set when it exists.
# Usage: scripts/recordings-set.sh OUT_DIR
set -euo pipefail
out=${1:?usage: scripts/recordings-set.sh OUT_DIR}
mkdir -p "$out"

bash "$(dirname "$0")/install-deps.sh" wesnoth-1.16-music asterisk-core-sounds-en-wav

if [[ ! -s $out/music.wav ]]; then
  : >"$out/music-list.txt"
  while read -r f; do echo "file '$f'" >>"$out/music-list.txt"; done < <(dpkg -L wesnoth-1.16-music | grep '\.ogg$' | sort)
  ffmpeg -nostdin -v fatal -y -f concat -safe 0 -i "$out/music-list.txt" -t 3600 -ar 44100 -ac 2 \
    -c:a pcm_s16le "$out/music-raw.wav"
  sox -V1 "$out/music-raw.wav" "$out/music.wav" gain -n -6
  rm -f "$out/music-raw.wav" "$out/music-list.txt"
fi

if [[ ! -s $out/speech.wav ]]; then
  prompts=()
  while read -r f; do prompts+=("$f"); done < <(dpkg -L asterisk-core-sounds-en-wav | grep '\.wav$' | sort)
  sox -n -r 8000 -c 1 -b 16 "$out/gap.wav" trim 0 0.3
  args=()
  for f in "${prompts[@]}"; do args+=("$f" "$out/gap.wav"); done
  sox -V1 "${args[@]}" "$out/speech.wav"
  rm -f "$out/gap.wav"
fi

if [[ ! -s $out/music-keys.wav ]]; then
  keys="123A456B789C*0#D"
  rows=(697 697 697 697 770 770 770 770 852 852 852 852 941 941 941 941)
  cols=(1209 1336 1477 1633 1209 1336 1477 1633 1209 1336 1477 1633 1209 1336 1477 1633)
  for ((i = 0; i < 16; i++)); do
    ffmpeg -nostdin -v error -y -f lavfi \
      -i "aevalsrc=0.05*sin(2*PI*${rows[i]}*t)+0.05*sin(2*PI*${cols[i]}*t):s=44100:d=0.1" \
      -ac 2 -c:a pcm_f32le "$out/key$i.wav"
    sox "$out/key$i.wav" "$out/seg$i.wav" pad 5 4.9
  done
  segments=()
  : >"$out/music-keys.txt"
  for ((n = 0; n < 360; n++)); do
    segments+=("$out/seg$((n % 16)).wav")
    echo "$((n * 10 + 5)) ${keys:n % 16:1}" >>"$out/music-keys.txt"
  done
  sox "${segments[@]}" "$out/keys.wav"
  sox -m -v 1 "$out/music.wav" -v 1 "$out/keys.wav" -b 16 "$out/music-keys.wav"  # -v 1: no mixing attenuation
  rm -f "$out"/key*.wav "$out"/seg*.wav "$out/keys.wav"
fi
echo "recordings set in $out: $(soxi -D "$out/music.wav") s of music, $(soxi -D "$out/speech.wav") s of speech"
