#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# wine-run.sh WINE PREFIX [PROGRAM [ARGS...]]
# Runs a Windows test program under WINE, quietly, in the throwaway Wine prefix
# PREFIX (the presets share one per architecture, build/wine/win32 and
# build/wine/win64). The prefix is created on first use, once, however many
# tests or builds start at the same time; a prefix's first boot is slow.
# Without a PROGRAM it only creates the prefix: the build does that in a step
# of its own, so that wine's first-run work never lands in a test's output.
set -eu
wine=$1 prefix=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
if [ ! -f "$prefix/.pellasto-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.pellasto-ready" ]; then
      "$wine" wineboot --init >/dev/null 2>&1
      server="$(dirname "$wine")/wineserver"
      [ -x "$server" ] || server=wineserver
      "$server" -w
      touch "$prefix/.pellasto-ready"
    fi
  ) 9>"$prefix.lock"
fi
[ $# -gt 0 ] || exit 0
exec "$wine" "$@"
