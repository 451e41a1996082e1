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
  libopencv-videoio-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl1-mesa-dri libglu1-mesa-dev
  xvfb xauth fonts-wqy-microhei
  mupdf-tools zint librsvg2-bin
  zbar-tools nodejs chromium
  libreoffice-writer-nogui poppler-utils
)
# npm comes with some builds of nodejs (which then conflict with Debian's npm).
if ! command -v npm >/dev/null 2>&1; then
  PACKAGES+=(npm)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The phone pages' browser test drives Debian's chromium with playwright-core
# from the npm registry; it must never download a browser of its own.
browser_dir="$(cd "$(dirname "$0")/.." && pwd)/tests/transfer/browser"
wanted="$(cd "$browser_dir" && node -p "require('./package-lock.json').packages['node_modules/playwright-core'].version")"
installed="$(cd "$browser_dir" && node -p "require('./node_modules/playwright-core/package.json').version" 2>/dev/null || true)"
if [ "$wanted" != "$installed" ]; then
  (cd "$browser_dir" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error) ||
    echo "npm ci failed in $browser_dir: the phone pages' browser test will be skipped" >&2
fi
