#!/usr/bin/env bash
# Remakes the committed seed corpora in fuzz/corpus/: small trees packed by our own packer, plus a
# few hand-laid packages with hostile names and broken records. Usage: fuzz/make_seeds.sh [hxf]
set -euo pipefail
cd "$(dirname "$0")"
hxf=$(realpath "${1:-../build/bin/hxf}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work"/{t1,t2,t3/sub,t4/SYSTEM/FONT,t4/数据,t5/深/层/目录}
printf abc >"$work/t2/a.txt"
printf '\x01\x02\x03\x04\x05' >"$work/t3/sub/b.bin"
: >"$work/t3/z.txt"
printf font >"$work/t4/SYSTEM/FONT/a.bin"
head -c 300 /dev/zero | tr '\0' x >"$work/t4/SYSTEM/big.bin"
printf '配置' >"$work/t4/数据/设置.ini"
printf Q >"$work/t4/B.TXT"
printf q >"$work/t4/a.txt"
printf deep >"$work/t5/深/层/目录/文件.dat"
head -c 600 /dev/urandom >"$work/t5/rand.bin"
printf n >"$work/t5/$(head -c 120 /dev/zero | tr '\0' n)"

packages=()
for tree in t1 t2 t3 t4 t5; do
  "$hxf" -q pack -C "$work/$tree" "$work/packed-$tree.hxf"
  packages+=("$work/packed-$tree.hxf")
done

# Hand-laid bodies behind a correct header: names that try to leave the unpack root or reach
# through the link the unpack fuzzer plants, the longest name allowed, a bad name length, a record
# cut short, and a data length far beyond the file.
python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
def record(name, data, length=None):
    return (struct.pack('<I', len(name)) + name + b'\x20' +
            struct.pack('<I', len(data) if length is None else length) + data)
def package(body):
    whole = body + b'\0\0\0\0'
    total = 64 + len(whole)
    words = len(whole) // 4
    checksum = sum(struct.unpack('<%dI' % words, whole[:4 * words])) & 0xFFFFFFFF
    header = (b'WADF0100200801291107' + struct.pack('<II', total, checksum) + b'\0' * 4 +
              b'Chinachip PMP firmware V1.0' + b'\0' * 5)
    return header + whole
cases = {
    'hostile-names': b''.join(record(n, b'evil') for n in [
        b'..\\escape', b'a\\..\\..\\escape', b'\\root', b'C:\\drive', b'a/b', b'link\\through',
        b'link', b'ctl\x07name', b'nul\x00name', b'dir\\', b'dir\\\\x', b'.', b'ok\\file']),
    'longest-name': record(b'n' * 400, b'400') + record(b'm' * 399, b'399'),
    'bad-name-length': record(b'a', b'1') + struct.pack('<I', 401) + b'x' * 40,
    'cut-record': record(b'a', b'1') + record(b'cut', b'123456789', 4000)[:-3],
    'huge-data-length': record(b'big', b'abc', 0xFFFFFFFF),
    'file-then-dir': record(b'a', b'file') + record(b'a\\b', b'under') +
                     record(b'c\\d', b'dir') + record(b'c', b'over'),
}
for name, body in cases.items():
    open(f'{work}/{name}.hxf', 'wb').write(package(body))
PY
packages+=("$work"/{hostile-names,longest-name,bad-name-length,cut-record,huge-data-length,file-then-dir}.hxf)

for target in record_reader unpack round_trip; do
  rm -rf "corpus/$target" && mkdir -p "corpus/$target"
  for p in "${packages[@]}"; do cp "$p" "corpus/$target/$(basename "$p" .hxf)"; done
done

# The edit target: a byte that picks the file to add, then a package.
rm -rf corpus/edit && mkdir -p corpus/edit
for p in "${packages[@]}"; do
  for choice in 0 3 4 7; do
    { printf "\\x0$choice"; cat "$p"; } >"corpus/edit/$(basename "$p" .hxf)-$choice"
  done
done

# Names alone for the name target.
rm -rf corpus/name && mkdir -p corpus/name
i=0
for name in 'a.txt' 'SYSTEM\FONT\a.bin' '..\escape' 'C:\x' 'a/b' 'dir\\x' $'ctl\x1b[31m' \
  "$(printf '\xca\xfd\xbe\xdd\\\xc9\xe8\xd6\xc3.ini')" "$(printf '\x81\x5c\x81\x5c')" \
  "$(printf '\xc2\x85\xff\xfe')" "$(printf 'caf\xc3\xa9')"; do
  printf '%s' "$name" >"corpus/name/seed-$((i++))"
done
