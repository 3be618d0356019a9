#!/usr/bin/env bash
# Takes docs/window-win32.png: hxf-gui.exe (scripts/build-windows.sh first) under Wine on a virtual
# X server with a window manager, after a repack and an unpack made through its own dialogs, typed
# into as a user types. Chinese needs a font that has it: the prefix's interface fonts are mapped
# onto WenQuanYi Micro Hei, and Wine's own fonts are put where Debian's Wine does not look.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/window-win32.png}
# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh
trap 'wine_session_stop; rm -rf "${demo:-}"' EXIT
wine_session_start 800x720x24
export DISPLAY=$WINE_DISPLAY
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do ln -sf "$font" "$fonts/"; done
substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS Sans Serif" "SimSun" "Microsoft YaHei"; do
  wine reg add "$substitutes" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wineserver -k  # the substitutes take effect in a new session

# A tree to pack, beside the package the save dialog is given: on drive C of the prefix.
demo=$WINEPREFIX/drive_c/hxfdemo
rm -rf "$demo"
mkdir -p "$demo/in_hxf/SYSTEM"
printf 'boot' >"$demo/in_hxf/boot.bin"
printf '[main]\n' >"$demo/in_hxf/config.ini"
printf 'font' >"$demo/in_hxf/SYSTEM/font.bin"
package=$(winepath -w "$demo/firmware.hxf")

wine build-win32/bin/hxf-gui.exe </dev/null >/dev/null 2>&1 &
window=$(xdotool search --sync --onlyvisible --name 'HXF' | head -n 1)
# Each button opens its dialog (RePack HXF the save dialog, then Unpack HXF the open one); the
# path is typed into its name box, where the name offered is selected, and Return pressed.
for step in "170 Save As" "65 Open"; do
  read -r x title <<<"$step"
  xdotool windowactivate --sync "$window"
  xdotool mousemove --window "$window" "$x" 17 click 1
  dialog=$(xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1)
  sleep 1
  xdotool windowactivate --sync "$dialog"
  xdotool type --window "$dialog" --delay 20 "$package"
  xdotool key --window "$dialog" Return
  sleep 2
done
sleep 1
import -frame -window "$window" "$out"  # the window with the window manager's frame
echo "Screenshot: $out"
