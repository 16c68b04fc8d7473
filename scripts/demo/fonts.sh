#!/usr/bin/env bash
# Wine's own TrueType fonts (Marlett for the caption buttons, Tahoma, MS Sans
# Serif) into the demo's C:\windows\Fonts: Debian's Wine does not find them
# where it installs them, and the window would show its caption buttons as
# the letters "0 1 r".
set -euo pipefail
fonts=/usr/share/wine/fonts
[ -f "$fonts/marlett.ttf" ] || { echo "Wine's fonts are missing (package fonts-wine)" >&2; exit 1; }
mkdir -p "$DEMO_DRIVE_C/windows/Fonts"
cp -n "$fonts"/*.ttf "$DEMO_DRIVE_C/windows/Fonts/" 2>/dev/null || true
