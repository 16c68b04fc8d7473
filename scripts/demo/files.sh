#!/usr/bin/env bash
# Places the suite's files in the demo prefix so a demo run shows report
# lines and the removal offer: the suite's program folder, one library in the
# system directory and one misplaced copy elsewhere. For the 32-bit program
# the system directory is where the suite's 32-bit installer puts it on
# 64-bit Windows: SYSWOW64, which the program sees as SYSTEM32.
#   DEMO_DRIVE_C       the demo prefix's drive_c (Unix path)
#   DEMO_BITS          32 or 64
#   TARVO_FIXTURE_DIR  the built fixtures (VQ32W.DLL, VARNOKE32.DLL, ...)
set -euo pipefail
: "${DEMO_DRIVE_C:?DEMO_DRIVE_C must name the demo prefix drive_c}"
: "${TARVO_FIXTURE_DIR:?TARVO_FIXTURE_DIR must name the built fixtures}"

for name in VQ32W.DLL VARNOKE32.DLL HOSKEN32.DLL PARDEX.EXE; do
  [ -f "$TARVO_FIXTURE_DIR/$name" ] || { echo "missing fixture: $name" >&2; exit 1; }
done

# The system directory's real name in this prefix (a fresh prefix has
# "windows/system32", but keep whatever letter case is already there).
windows=$(find "$DEMO_DRIVE_C" -maxdepth 1 -iname windows -type d | head -n 1)
[ -n "$windows" ] || { echo "no windows folder under $DEMO_DRIVE_C" >&2; exit 1; }
folder=system32
[ "${DEMO_BITS:-32}" = 32 ] && folder=syswow64
system=$(find "$windows" -maxdepth 1 -iname "$folder" -type d | head -n 1)
[ -n "$system" ] || { echo "no $folder folder under $windows" >&2; exit 1; }

suite="$DEMO_DRIVE_C/Program Files/Suite"
mkdir -p "$suite" "$DEMO_DRIVE_C/Users/Public/Downloads"
# The program folder: a library, a library without version resource, a program.
cp -f "$TARVO_FIXTURE_DIR/VARNOKE32.DLL" "$suite/VARNOKE32.DLL"
cp -f "$TARVO_FIXTURE_DIR/HOSKEN32.DLL" "$suite/HOSKEN32.DLL"
cp -f "$TARVO_FIXTURE_DIR/PARDEX.EXE" "$suite/PARDEX.EXE"
# Where the library belongs.
cp -f "$TARVO_FIXTURE_DIR/VQ32W.DLL" "$system/VQ32W.DLL"
# And a stray copy of it.
cp -f "$TARVO_FIXTURE_DIR/VQ32W.DLL" "$DEMO_DRIVE_C/Users/Public/Downloads/VQ32W.DLL"
echo "demo suite files placed under $DEMO_DRIVE_C"
