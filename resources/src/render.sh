#!/bin/sh
# Renders the program's pictures from their SVG sources (needs rsvg-convert,
# Debian package librsvg2-bin). The PNG files are kept in the repository, so
# the build itself needs no converter; run this after changing a source.
set -e
cd "$(dirname "$0")"
out=..
render() { rsvg-convert -o "$out/$2" "$1.svg"; }
render logo3 logo/logo3.png
render information information.png
render question question.png
for name in close close_hover maximize minimize set help; do
  render titlebar_$name titlebar/$name.png
done
render thumb_delete thumb_delete.png
render thumb_clear thumb_clear.png
render state_0 state_0.png
render state_1 state_1.png
render topic_last topic_last.png
render topic_next topic_next.png
