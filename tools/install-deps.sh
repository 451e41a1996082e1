#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Lorvane.
# Only what is missing is installed; run as root or with sudo available.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5svg5-dev libqt5charts5-dev
  qtmultimedia5-dev qttranslations5-l10n qt5-image-formats-plugins
  libsqlite3-dev sqlite3
  libcurl4-openssl-dev libjsoncpp-dev libevent-dev libtinyxml2-dev libzip-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-photo-dev libopencv-imgcodecs-dev
  libopencv-videoio-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl1-mesa-dri libglu1-mesa-dev
  xvfb xauth fonts-wqy-microhei
  mupdf-tools zint librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
