#!/usr/bin/env bash
# Re-makes samples/demo.ogg: DTMF keys from `tonesentry generate` over espeak-ng speech and light
# noise. Needs a built tonesentry (first argument), espeak-ng and sox.
set -euo pipefail
tonesentry=${1:?usage: samples/make-demo.sh PATH/TO/tonesentry}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tonesentry" generate "4711#" -o "$work/keys.wav"
espeak-ng -s 150 -w "$work/intro.wav" "Please enter your four digit code, followed by the hash key."
espeak-ng -s 150 -w "$work/outro.wav" "Thank you. Your code has been accepted."
sox "$work/intro.wav" -r 44100 -c 1 "$work/intro44.wav" gain -6
sox "$work/outro.wav" -r 44100 -c 1 "$work/outro44.wav" gain -6
# Speech, then the keys starting while the last words still sound, then more speech.
intro_len=$(soxi -D "$work/intro44.wav")
keys_at=$(echo "$intro_len - 0.3" | bc)
sox "$work/keys.wav" "$work/keys-placed.wav" pad "$keys_at" 0
sox "$work/outro44.wav" "$work/outro-placed.wav" pad "$(echo "$intro_len + 1.2" | bc)" 0
len=$(echo "$intro_len + 1.2 + $(soxi -D "$work/outro44.wav")" | bc)
sox -n -r 44100 -c 1 "$work/noise.wav" synth "$len" pinknoise vol 0.01
sox -m -v 1 "$work/intro44.wav" -v 1 "$work/keys-placed.wav" -v 1 "$work/outro-placed.wav" \
    -v 1 "$work/noise.wav" "$work/mix.wav"
sox "$work/mix.wav" -r 22050 -C 1 "$here/demo.ogg"
echo "wrote $here/demo.ogg ($(stat -c %s "$here/demo.ogg") bytes)"
