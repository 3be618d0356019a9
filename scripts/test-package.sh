#!/usr/bin/env bash
# The Debian package as a user gets it: made by scripts/package.sh, installed for real with apt,
# checked (the program from /usr/bin, its man page, its desktop entry, the file type of a package
# and the program that opens it), then removed with --purge, after which nothing of it may be
# left. Needs root or sudo, and a system where hxf is not installed yet.
#   scripts/test-package.sh [--screenshot FILE.png]   also photographs the installed window as
#                                                      xdg-open opens a package, under Xvfb
set -euo pipefail
cd "$(dirname "$0")/.."
screenshot=
if [ "${1:-}" = --screenshot ]; then screenshot=$(realpath -m "$2"); fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
fail() {
  echo "test-package.sh: $*" >&2
  exit 1
}
installed() { dpkg-query -W -f='${Status}' hxf 2>/dev/null | grep -q 'install ok installed'; }
# A run that was killed before its clean-up leaves the package installed; start from nothing.
if installed; then
  echo "test-package.sh: removing the hxf package a previous run left installed" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove --purge -y -qq hxf >/dev/null
fi

deb=$(scripts/package.sh)
work=$(mktemp -d)
cleanup() {
  [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true  # the programs on it end with it
  if installed; then "${sudo[@]}" apt-get remove --purge -y -qq hxf >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "Installing $deb"
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null

# The program, from /usr/bin, at the package's version; its libraries all found.
version=$(dpkg-query -W -f='${Version}' hxf)
[ "$(command -v hxf)" = /usr/bin/hxf ] || fail "hxf is not /usr/bin/hxf but $(command -v hxf)"
[ "$(hxf --version)" = "hxf $version" ] || fail "hxf --version says '$(hxf --version)', not hxf $version"
! ldd /usr/bin/hxf /usr/bin/hxf-gui | grep 'not found' || fail "a library of the programs is missing"
dpkg-query -W -f='${Depends}' hxf | grep -q libqt6widgets6 || fail "the package does not depend on Qt"

# The man page and the completion.
[ "$(man -w hxf)" = /usr/share/man/man1/hxf.1.gz ] || fail "man -w hxf: '$(man -w hxf 2>&1)'"
man hxf 2>/dev/null | grep -q -- '--dereference' || fail "man hxf does not describe hxf pack -L"
bash -c 'source /usr/share/bash-completion/completions/hxf && complete -p hxf' >/dev/null ||
  fail "the bash completion does not complete hxf"

# The desktop entry, and a package's file type with the program that opens it.
desktop-file-validate /usr/share/applications/hxf.desktop || fail "the desktop entry is not valid"
mkdir -p "$work/in_hxf"
echo "a file" >"$work/in_hxf/readme.txt"
hxf -q pack "$work/fw.hxf"
cp "$work/fw.hxf" "$work/firmware"
for file in fw.hxf firmware; do
  type=$(xdg-mime query filetype "$work/$file")
  [ "$type" = application/x-hxf ] || fail "xdg-mime: $file is $type"
  type=$(gio info --attributes=standard::content-type "$work/$file" | sed -n 's/.*content-type: //p')
  [ "$type" = application/x-hxf ] || fail "gio: $file is $type"
done
[ "$(xdg-mime query default application/x-hxf)" = hxf.desktop ] ||
  fail "packages open with '$(xdg-mime query default application/x-hxf)', not hxf.desktop"

if [ -n "$screenshot" ]; then
  # The window that xdg-open starts for a package, under a virtual X server with a window manager.
  # The server picks a free display and names it once it is ready.
  Xvfb -displayfd 3 -screen 0 640x720x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  until [ -s "$work/display" ]; do
    kill -0 "$xvfb" 2>/dev/null || fail "Xvfb did not start"
    sleep 0.1
  done
  export DISPLAY=:$(head -n 1 "$work/display")
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  (cd "$work" && xdg-open "$work/fw.hxf" >/dev/null 2>&1 &)
  window=$(xdotool search --sync --onlyvisible --name 'HXF' | head -n 1)
  sleep 2  # let the window draw itself
  import -frame -window "$window" "$screenshot"  # the window with the window manager's frame
  kill "$(xdotool getwindowpid "$window")" "$wm"
  kill "$xvfb"
  xvfb=
  echo "Screenshot: $screenshot"
fi

# Removal leaves nothing: no file of the package, no folder of it that no other package owns, no
# MIME or desktop cache that still knows the type.
dpkg -L hxf >"$work/files"
echo "Removing hxf"
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove --purge -y -qq hxf >/dev/null
installed && fail "hxf is still installed"
left=()
while read -r path; do
  [ -e "$path" ] || continue
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
  left+=("$path")
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
[ ! -e /usr/share/mime/application/x-hxf.xml ] || fail "the MIME database still knows packages"
! grep -qs application/x-hxf /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database still opens packages"
echo "The package installs, works and is removed without a trace."
