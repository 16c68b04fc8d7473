# Shared by scripts/run, scripts/test and scripts/wine-env. Source it, do not run it.

TARVO_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINE64=/usr/lib/wine/wine64
# The 32-bit loader (package wine32): runs i686 programs in a WoW64 prefix.
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver

# Installs what the build and the Wine runs need, through apt-get, only when
# something is missing, so a second call costs a few milliseconds.
tarvo_install_deps() {
  local need=()
  command -v cmake >/dev/null || need+=(cmake)
  command -v i686-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-i686-win32)
  command -v x86_64-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-x86-64-win32)
  command -v wine >/dev/null || need+=(wine)
  [ -x "$WINE64" ] || need+=(wine64)
  # The shipped program is 32-bit: its tests run under the 32-bit loader.
  [ -x "$WINE32" ] || need+=(wine32:i386)
  # Caption buttons and dialog text are drawn with Wine's own fonts, which
  # are only a recommendation of libwine.
  [ -f /usr/share/wine/fonts/tahoma.ttf ] || need+=(fonts-wine)
  command -v Xvfb >/dev/null || need+=(xvfb)
  command -v xdotool >/dev/null || need+=(xdotool)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
  command -v import >/dev/null || need+=(imagemagick)
  command -v clang++ >/dev/null || need+=(clang)
  # The release zip is written with zip -X and checked with unzip.
  command -v zip >/dev/null || need+=(zip)
  command -v unzip >/dev/null || need+=(unzip)
  [ ${#need[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${need[*]}" >&2
  if [[ " ${need[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >&2
}

# True when DISPLAY names a running X server.
tarvo_display_works() {
  [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1
}

# Makes sure DISPLAY names a running X server. Without one, starts an Xvfb
# that lives as long as the caller's session and records it under $1.
tarvo_ensure_display() {
  local root=$1
  tarvo_display_works && return 0
  mkdir -p "$root"
  if [ -f "$root/display" ]; then
    DISPLAY=$(cat "$root/display")
    export DISPLAY
    tarvo_display_works && return 0
  fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    local i
    for i in $(seq 1 50); do
      DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && break
      sleep 0.1
    done
    if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
      echo ":$n" >"$root/display"
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

# Imports the .reg file $1 into the prefix of tarvo_wine_env, by its path on
# C: (the prefix has no Z: drive), with the regedit of loader $2: the 64-bit
# one by default, since Wine's own settings live in the 64-bit view; the
# 32-bit one writes HKLM\Software through the 32-bit view, as a 32-bit
# installer does.
tarvo_import_reg() {
  local copy="$WINEPREFIX/drive_c/tarvo-import.reg"
  cp "$1" "$copy"
  DISPLAY= "${2:-$WINE64}" regedit /S 'C:\tarvo-import.reg' >/dev/null 2>&1
  rm -f "$copy"
}

# Environment of a throwaway Wine prefix under $1: its own HOME and XDG trash,
# never the user's ~/.wine.
tarvo_wine_env() {
  local root=$1
  export WINEPREFIX="$root/prefix"
  export HOME="$root/home"
  export XDG_DATA_HOME="$root/home/.local/share"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
}

# The machine type of a PE file: i386, x86_64 or unknown.
tarvo_pe_machine() {
  local off machine
  off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || { echo unknown; return; }
  machine=$(od -An -tx2 -j$((off + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in
    014c) echo i386 ;;
    8664) echo x86_64 ;;
    *) echo unknown ;;
  esac
}

# Fails, saying why, where this machine cannot run 32-bit Windows programs:
# the 32-bit layer must never pass without having run.
tarvo_check_wine32() {
  if [ ! -x "$WINE32" ]; then
    echo "tarvo: cannot run the 32-bit build: $WINE32 is missing (install wine32 after 'dpkg --add-architecture i386')" >&2
    return 1
  fi
  # The loader itself is a 32-bit ELF program: where it cannot be executed,
  # this kernel runs no 32-bit code.
  if ! "$WINE32" --version >/dev/null 2>&1; then
    echo "tarvo: cannot run the 32-bit build: this machine cannot execute the 32-bit loader $WINE32 (no 32-bit support in the kernel?)" >&2
    return 1
  fi
}
