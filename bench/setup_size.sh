#!/usr/bin/env bash
# Size of setup.exe by PE section (size -A), its file size, and the size of
# the empty installer: that setup.exe with the package of a manifest that
# installs no files (mksetup build). One column per setup.exe given; the goal
# is an empty 32-bit installer under 300 KB.
#   bench/setup_size.sh [NATIVE_BIN_DIR] [SETUP_EXE...]
#   (defaults build/native/bin build/win32/bin/setup.exe build/win64/bin/setup.exe)
set -euo pipefail
native=${1:-build/native/bin}
shift $(($# < 1 ? $# : 1))
[ $# -gt 0 ] || set -- build/win32/bin/setup.exe build/win64/bin/setup.exe
work=$(mktemp -d "${TMPDIR:-/tmp}/setup-size-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/payload"
cat >"$work/setup.toml" <<'EOT'
[product]
name = "Empty"
[files]
source = "payload"
EOT

for exe in "$@"; do [ -f "$exe" ] || { echo "setup_size: $exe missing" >&2; exit 1; }; done

# x86_64-w64-mingw32-size reads both PE formats.
python3 - "$native/mksetup" "$work" "$@" <<'PY'
import os, subprocess, sys
mksetup, work, exes = sys.argv[1], sys.argv[2], sys.argv[3:]
order = ['.text', '.data', '.rdata', '.eh_frame', '.pdata', '.xdata', '.bss', '.idata', '.CRT', '.tls', '.rsrc', '.reloc']
columns = []
for i, exe in enumerate(exes):
    out = subprocess.run(['x86_64-w64-mingw32-size', '-A', exe], check=True, capture_output=True, text=True).stdout
    sections = {}
    for line in out.splitlines()[2:]:
        parts = line.split()
        if len(parts) == 3 and parts[0].startswith('.'):
            name = '.eh_frame' if parts[0] == '.eh_fram' else parts[0]
            sections[name] = int(parts[1])
    empty = os.path.join(work, 'empty-%d.exe' % i)
    subprocess.run([mksetup, 'build', os.path.join(work, 'setup.toml'), '--stub', exe, '-o', empty],
                   check=True, capture_output=True)
    columns.append((exe, sections, os.path.getsize(exe), os.path.getsize(empty)))
names = order + sorted({n for _, s, _, _ in columns for n in s} - set(order))
kib = lambda n: '%.1f KiB' % (n / 1024) if n is not None else ''
print('| section | ' + ' | '.join(exe for exe, _, _, _ in columns) + ' |')
print('|---|' + '---|' * len(columns))
for name in names:
    if any(name in s for _, s, _, _ in columns):
        print('| %s | %s |' % (name, ' | '.join(kib(s.get(name)) for _, s, _, _ in columns)))
print('| code and data (all but .rsrc) | %s |' % ' | '.join(
    kib(sum(v for n, v in s.items() if n != '.rsrc')) for _, s, _, _ in columns))
print('| **setup.exe file** | %s |' % ' | '.join('%s (%d bytes)' % (kib(f), f) for _, _, f, _ in columns))
print('| **empty installer** | %s |' % ' | '.join('%s (%d bytes)' % (kib(e), e) for _, _, _, e in columns))
PY
