# Sourced: a private, quiet Wine prefix inside the build folder, with Japanese fonts mapped and
# its own user folders (nothing of Wine's reaches $HOME but its cache), and an X display (a
# private Xvfb when there is none, or when GLIMRA_PRIVATE_DISPLAY is set).
# On a private display every Wine process joins one virtual desktop of the screen's size: Wine
# then draws the window frames, and without a window manager each activation would otherwise
# wait two seconds for the X focus (every message box of a test).
# Expects BUILD_DIR, a configured build folder; its build (win32 or win64) picks the Wine and the
# prefix, each build with a prefix of its own. Sets GLIMRA_BUILD, GLIMRA_WINE, WINELOADER,
# WINESERVER, WINEARCH, WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, LANG, DISPLAY, and a function
# `wine` that runs this build's loader.

GLIMRA_BUILD=$(sed -n 's/^GLIMRA_ARCH:INTERNAL=//p' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null)
[ -n "$GLIMRA_BUILD" ] || { echo "wine-env.sh: $BUILD_DIR is not a configured build folder" >&2; return 1; }
# Debian's /usr/bin/wine picks wine32 whenever it is installed, even where it cannot run: each
# build names its loader, and every tool of the prefix goes through it. wineserver64 serves both.
if [ "$GLIMRA_BUILD" = win64 ]; then
  export GLIMRA_WINE=/usr/lib/wine/wine64 WINEARCH=win64
else
  export GLIMRA_WINE=/usr/lib/wine/wine WINEARCH=win32
fi
export WINELOADER=$GLIMRA_WINE WINESERVER=/usr/lib/wine/wineserver64
wine() { "$GLIMRA_WINE" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
# No menu builder: it would turn every shortcut on the desktop into a .desktop file under $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

glimra_start_xvfb() {
  local size="${1:-1280x800x24}"
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  GLIMRA_XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$fd_file" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$fd_file")"
  rm -f "$fd_file"
  trap 'kill $GLIMRA_XVFB_PID 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
}

if [ -z "${DISPLAY:-}" ] || [ -n "${GLIMRA_PRIVATE_DISPLAY:-}" ]; then
  glimra_start_xvfb "${GLIMRA_SCREEN:-1280x800x24}"
  GLIMRA_VIRTUAL_SCREEN=1
fi
GLIMRA_SCREEN_SIZE="${GLIMRA_SCREEN:-1280x800x24}"
GLIMRA_SCREEN_SIZE="${GLIMRA_SCREEN_SIZE%x*}"

glimra_reg() { wine reg add "$@" /f >/dev/null 2>&1; }

if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.glimra-ready-3" ]; then
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # Ume UI Gothic has MS UI Gothic's line height (12 pixels at 9 points), so the panel's dialog
  # units come out as on Windows and it fits its window; IPAPGothic is 13 and would not.
  glimra_reg 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" /t REG_SZ /d "Ume UI Gothic"
  glimra_reg 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg" /t REG_SZ /d "IPAPGothic"
  glimra_reg 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg 2" /t REG_SZ /d "IPAPGothic"
  glimra_reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96
  # Text files open in Notepad, as on Windows (the new prefix has the verb but not the extension).
  glimra_reg 'HKCR\.txt' /ve /t REG_SZ /d txtfile
  # No crash dialogs: a crashing test program must fail, not wait for a click.
  glimra_reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  wineserver -w
  touch "$WINEPREFIX/.glimra-ready-3"
fi

if [ -n "${GLIMRA_VIRTUAL_SCREEN:-}" ]; then
  # 96 DPI again, should a killed dpi entry have left another scale for every later run.
  glimra_reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96
  glimra_reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Glimra
  glimra_reg 'HKCU\Software\Wine\Explorer\Desktops' /v Glimra /t REG_SZ /d "$GLIMRA_SCREEN_SIZE"
  # The desktop took its size from the registry when the calls above started it: restart it so
  # it has the size just written.
  wineserver -k 2>/dev/null || true
  wineserver -w
else
  wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
fi

# A new or updated prefix links Desktop, Documents and the like to $HOME: the tests' shortcuts and
# folder choices would land in the user's own folders. Plain folders inside the prefix instead.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done
