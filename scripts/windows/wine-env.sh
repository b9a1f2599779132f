# Sourced by the Windows test scripts: a Wine prefix of their own, the Wine
# loader that fits the build's word size, and a Chinese font for the dialogs.
# Expects WIN_BUILD (the cross build folder) to be set.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${QUARVELIN_WINEPREFIX:-$PWD/$WIN_BUILD/wineprefix}
if [ -x /usr/lib/wine/wine64 ] && grep -q x86_64 "$WIN_BUILD/CMakeCache.txt" 2>/dev/null; then
  WINE=/usr/lib/wine/wine64
else
  WINE=/usr/bin/wine
fi
export WINE

wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    # The dialogs ask for 宋体 and SimSun; Debian's fonts have another name.
    for face in '宋体' SimSun 'MS Shell Dlg' 'MS Shell Dlg 2' Tahoma; do
      "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Zen Hei' /f >/dev/null 2>&1 || true
    done
    /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
}

# A Linux path as Wine's programs name it.
windows_path() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# A virtual X screen for the programs that open windows; stopped on exit.
start_display() {
  local display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  QUARVELIN_XVFB=$!
  export DISPLAY=$display
  sleep 2
}
stop_display() {
  [ -n "${QUARVELIN_XVFB:-}" ] && kill "$QUARVELIN_XVFB" 2>/dev/null
  /usr/lib/wine/wineserver -k 2>/dev/null
  return 0
}
