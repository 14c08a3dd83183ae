#!/usr/bin/env bash
# Installs every Debian package the suite needs to build, test, benchmark and fuzz.
# Quick when everything is present: apt-get update runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-dejavu-core
  libjpeg62-turbo-dev libturbojpeg0-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  libv4l-dev
  libcurl4-openssl-dev
  libasound2-dev libsndfile1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  socat ffmpeg openssl
  python3 python3-aiosmtpd python3-pyftpdlib
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
