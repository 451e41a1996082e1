#!/usr/bin/env bash
# Draws the joining previews of the settings dialog from their SVG sources.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../"
for name in merge-1 merge-2; do
  rsvg-convert -w 200 -h 200 "$here/settings/$name.svg" -o "$out/$name.png"
done
