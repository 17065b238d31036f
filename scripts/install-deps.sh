#!/usr/bin/env bash
# Installs every system package ToneSentry needs to build, test and benchmark.
# Idempotent: packages already present are skipped by apt-get. Extra package names given as
# arguments are installed with the list (scripts/recordings-set.sh uses that).
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev ffmpeg
  libfftw3-dev portaudio19-dev libasound2-dev libjack-jackd2-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev libpugixml-dev libinih-dev libsndfile1-dev nlohmann-json3-dev libtag1-dev
  jackd2 icecast2 libcpp-httplib-dev
  xvfb xauth clang libclang-rt-14-dev espeak-ng sox locales-all
)

packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
