#!/usr/bin/env bash
# The Windows zip as a user gets it: unpacked into a fresh folder, it holds one folder with exactly
# the expected files, and its hxf.exe, run from there under Wine, tells its version, packs a
# folder, verifies the package and unpacks it again, file for file.
#   zip_test.sh ZIP VERSION WINE_RUN FILE...   (FILE...: what the zip's folder must hold)
set -euo pipefail
zip=$1 version=$2 wine_run=$3
shift 3
fail() {
  echo "zip_test.sh: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cmake -E tar xf "$zip"
folder=hxf-$version-win32
[ "$(ls -A)" = "$folder" ] || fail "the zip holds $(ls -A | tr '\n' ' '), not only $folder/"
[ "$(ls -A "$folder" | sort)" = "$(printf '%s\n' "$@" | sort)" ] ||
  fail "$folder/ holds $(ls -A "$folder" | tr '\n' ' '), not $*"
cd "$folder"

said=$("$wine_run" hxf.exe --version)
[ "$said" = "hxf $version" ] || fail "hxf.exe --version says '$said', not 'hxf $version'"

mkdir -p work/in_hxf/SYSTEM
printf 'abc' >work/in_hxf/a.txt
printf '\001\000\002' >work/in_hxf/SYSTEM/font.bin
"$wine_run" hxf.exe -q pack work/fw.hxf || fail "hxf.exe pack failed"
"$wine_run" hxf.exe verify work/fw.hxf >/dev/null || fail "hxf.exe verify finds the package wrong"
"$wine_run" hxf.exe -q unpack work/fw.hxf || fail "hxf.exe unpack failed"
diff -r work/in_hxf work/out_hxf || fail "the unpacked files are not the packed ones"
