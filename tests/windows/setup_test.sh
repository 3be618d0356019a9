#!/usr/bin/env bash
# The Windows setup program as a user runs it, under the build's Wine prefix: installed silently
# into a fresh folder (a Chinese name), hxf.exe run from there, the Start-menu entry and the
# uninstall entry in place; then the uninstaller run silently, after which none of them is left.
#   setup_test.sh SETUP VERSION WINEPREFIX FILE...   (FILE...: the programs and files it installs)
set -euo pipefail
setup=$1 version=$2
export WINEPREFIX=$3 WINEDEBUG=-all
# No menu entries of the Linux desktop made for the Windows shortcuts: they would outlive the test.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
shift 3
fail() {
  echo "setup_test.sh: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
target=$work/Programs/固件工具
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\hxf'
menu() { find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/hxf' 2>/dev/null; }
registered() { wine reg query "$key" /v DisplayVersion 2>/dev/null | tr -d '\r' | grep -q "$version"; }
[ -z "$(menu)" ] && ! registered || fail "hxf is installed in the Wine prefix already"

# The folder as Windows names it: Wine's drive Z: is the host's root.
wine "$setup" /S "/D=Z:${target//\//\\}" || fail "the silent install failed"
[ "$(ls -A "$target" | sort)" = "$(printf '%s\n' "$@" uninstall.exe | sort)" ] ||
  fail "the install folder holds $(ls -A "$target" | tr '\n' ' ')"
said=$(wine "$target/hxf.exe" --version)
[ "$said" = "hxf $version" ] || fail "the installed hxf.exe --version says '$said'"
[ -n "$(menu)" ] && [ -e "$(menu)/hxf command line.lnk" ] || fail "no Start-menu entry"
registered || fail "no uninstall entry for version $version"

wine "$target/uninstall.exe" /S || fail "the silent uninstall failed"
# The uninstaller goes on from a copy of itself in the temporary folder, so that it can remove
# its own file: wait for that copy, within a bound that only catches a hang.
for _ in $(seq 600); do
  [ ! -e "$target" ] && [ -z "$(menu)" ] && ! registered && break
  sleep 0.1
done
[ ! -e "$target" ] || fail "the install folder is left: $(ls -A "$target" | tr '\n' ' ')"
[ -z "$(ls -A "$work/Programs")" ] || fail "files are left beside the install folder"
[ -z "$(menu)" ] || fail "the Start-menu folder is left"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is left in the registry"
