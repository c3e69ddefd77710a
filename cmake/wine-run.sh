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
# A new prefix holds a copy of every one of wine's own DLLs: over 600 MB for
# each architecture. Each copy identical to wine's file becomes a symbolic
# link to it. wine writes those files again only when it finds the prefix
# older than its wine.inf (a new wine version); the prefix is made anew
# before that can happen (the stamp below), so wine never writes through the
# links into the installed files.
link_builtins() {
  for dir in "$prefix/drive_c/windows/system32" "$prefix/drive_c/windows/syswow64"; do
    [ -d "$dir" ] || continue
    for file in "$dir"/*; do
      if [ ! -f "$file" ] || [ -L "$file" ]; then continue; fi
      for builtin in /usr/lib/*/wine/*-windows/"${file##*/}"; do
        if [ -f "$builtin" ] && cmp -s "$file" "$builtin"; then
          ln -sf "$builtin" "$file.link" && mv -f "$file.link" "$file"
          break
        fi
      done
    done
  done
}
# The prefix is for this wine: a stamp of its wine.inf, written last.
inf=$(dirname "$wine")/../../share/wine/wine.inf
[ -f "$inf" ] || inf=/usr/share/wine/wine.inf
stamp="$wine $(stat -L -c '%Y %s' "$inf" 2>/dev/null || echo none)"
if [ "$(cat "$prefix/.pellasto-ready" 2>/dev/null)" != "$stamp" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ "$(cat "$prefix/.pellasto-ready" 2>/dev/null)" != "$stamp" ]; then
      # Another wine's prefix, or an unfinished one: made anew.
      if [ -f "$prefix/system.reg" ] || [ -e "$prefix/.pellasto-ready" ]; then
        rm -rf "$prefix"
        mkdir -p "$prefix"
      elif [ -n "$(ls -A "$prefix")" ]; then
        echo "wine-run.sh: $prefix is neither empty nor a Wine prefix" >&2
        exit 1
      fi
      "$wine" wineboot --init >/dev/null 2>&1
      server="$(dirname "$wine")/wineserver"
      [ -x "$server" ] || server=wineserver
      "$server" -w
      link_builtins
      echo "$stamp" >"$prefix/.pellasto-ready"
    fi
  ) 9>"$prefix.lock"
fi
[ $# -gt 0 ] || exit 0
exec "$wine" "$@"
