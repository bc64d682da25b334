#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, and the Japanese locale
# some tests run under. Idempotent: apt-get and localedef run only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  qtbase5-dev qtbase5-dev-tools qt5-image-formats-plugins
  libboost-filesystem-dev
  libcurl4-openssl-dev ca-certificates
  libbenchmark-dev
  python3 python3-aiosmtpd openssl
  xvfb xauth x11-apps imagemagick fonts-noto-cjk xdotool
  icnsutils util-linux mount locales
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a | grep -qix 'ja_JP.utf-\?8'; then
  echo "Generating the locale ja_JP.UTF-8"
  "${sudo_cmd[@]}" localedef -i ja_JP -c -f UTF-8 -A /usr/share/locale/locale.alias ja_JP.UTF-8
fi
