#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs, when they are missing.
set -euo pipefail
pkgs=(build-essential cmake ninja-build qt6-base-dev libgl-dev
      libopencv-dev libfontconfig-dev zlib1g-dev xvfb xauth locales)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A German number locale, so the tests can check that files and G-code are
# read with '.' as the decimal point whatever the desktop's language.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
fi
