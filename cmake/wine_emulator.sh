#!/usr/bin/env bash
# Runs a Windows executable under Wine in a prefix of its own:
#   wine_emulator.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# CMake uses it as the cross build's emulator, so ctest runs every test under Wine.
#
# Headless and quiet: no display is used (windows go to Wine's null graphics driver), Wine's debug output is off, and the Mono and
# Gecko installers are never offered. The prefix is created on first use, under a lock,
# because ctest may start two tests at once.
set -euo pipefail

prefix="$(realpath -m "$1")"  # Wine takes only an absolute prefix
shift

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win32
unset DISPLAY WAYLAND_DISPLAY
# Wine refuses a prefix that belongs to another user; HOME must name the caller's own.
export HOME="${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}"

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      rm -rf "$prefix"
      wineboot --init >/dev/null 2>&1 || true
      wineserver --wait
      if [ ! -f "$prefix/system.reg" ]; then
        echo "wine_emulator.sh: could not create the Wine prefix $prefix" >&2
        exit 1
      fi
    fi
  ) 9>"$prefix.lock"
fi

# Windows need no X server: the null graphics driver keeps them in the Wine server alone.
if ! grep -q '"Graphics"="null"' "$prefix/user.reg" 2>/dev/null; then
  (
    flock 9
    if ! grep -q '"Graphics"="null"' "$prefix/user.reg" 2>/dev/null; then
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 || true
      wineserver --wait
    fi
  ) 9>"$prefix.lock"
fi

exec wine "$@"
