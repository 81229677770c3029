#!/usr/bin/env bash
# Prepares, once, what running the Windows build under Wine needs, inside
# the folder DIR (the Windows build tree): a Wine prefix DIR/wine and a
# ja_JP.UTF-8 locale in DIR/locale, so that Wine's ANSI code page is 932, as
# on the host's machines. Prints the environment to run Wine with, one
# NAME=value a line, for the caller to export. Wine writes its own font links
# again whenever the ANSI code page changes: the prefix is always run with
# this environment.
#   scripts/wine-prefix.sh DIR
set -euo pipefail
dir=$(realpath "${1:?usage: wine-prefix.sh DIR}")
prefix=$dir/wine
locales=$dir/locale

if [[ ! -d $locales/ja_JP.UTF-8 ]]; then
  mkdir -p "$locales"
  # localedef warns about characters of the charmap that ja_JP does not use.
  localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >/dev/null 2>&1 ||
    [[ -d $locales/ja_JP.UTF-8 ]] || { echo "wine-prefix: cannot build the ja_JP.UTF-8 locale" >&2; exit 1; }
fi

environment=(
  "WINEPREFIX=$prefix"
  "WINEDEBUG=-all"        # no "wine32 is missing" hint on every start
  "WINEARCH=win64"
  "WINEDLLOVERRIDES=mscoree,mshtml="  # no Mono or Gecko
  "LOCPATH=$locales"
  "LANG=ja_JP.UTF-8"
  "LC_ALL=ja_JP.UTF-8"
)

# Debian's wine starts every program through its 32-bit loader when wine32
# is installed. On a machine whose kernel does not run 32-bit programs that
# loader cannot start: there a wine of DIR's own runs the 64-bit loader
# directly, for a 64-bit build.
if [[ -x /usr/lib/wine/wine64 ]] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  mkdir -p "$dir/wine-bin"
  printf '%s\n' '#!/bin/sh' 'export WINELOADER=/usr/lib/wine/wine64' \
    'exec /usr/lib/wine/wine64 "$@"' >"$dir/wine-bin/wine"
  chmod +x "$dir/wine-bin/wine"
  environment+=("PATH=$dir/wine-bin:$PATH")
fi

if [[ ! -f $prefix/.q527-ready ]]; then
  rm -rf "$prefix"
  run() { env -u DISPLAY -u WAYLAND_DISPLAY "${environment[@]}" "$@" >/dev/null 2>&1; }
  run wine wineboot --init
  run wineserver -w
  # The caption's fonts, from fonts-wine.
  for font in marlett.ttf tahoma.ttf; do
    ln -sf "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/$font"
  done
  # With no window manager, Wine's managed windows wait about two seconds
  # for a withdrawn state on every close: Wine draws the frame itself.
  # The dialog's font falls back to IPAGothic under the name it asked for;
  # the caption's Tahoma borrows its Japanese glyphs from it.
  registry=$prefix/q527.reg
  {
    printf '\xff\xfe'
    printf '%s\r\n' \
      'Windows Registry Editor Version 5.00' '' \
      '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' '"ＭＳ ゴシック"="IPAGothic"' '' \
      '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]' \
      '"Tahoma"=hex(7):69,00,70,00,61,00,67,00,2e,00,74,00,74,00,66,00,2c,00,49,00,50,00,41,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00' \
      '' | iconv -f UTF-8 -t UTF-16LE
  } >"$registry"
  run wine regedit /S "$registry"
  run wineserver -w
  touch "$prefix/.q527-ready"
fi

printf '%s\n' "${environment[@]}"
