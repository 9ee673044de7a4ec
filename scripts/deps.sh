#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs, when they are missing.
set -euo pipefail
pkgs=(build-essential cmake ninja-build qt6-base-dev libgl-dev
      libopencv-dev xvfb xauth)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
