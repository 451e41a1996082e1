#!/bin/sh
# Renders the profile pictures of the web-service dialogs from their SVG
# sources (needs rsvg-convert, Debian package librsvg2-bin).
set -e
cd "$(dirname "$0")"
rsvg-convert -w 48 -h 48 -o ../man_student.png man_student.svg
rsvg-convert -w 48 -h 48 -o ../woman_student.png woman_student.svg
