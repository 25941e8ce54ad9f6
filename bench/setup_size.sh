#!/usr/bin/env bash
# Size of setup.exe (without a package) for win32 and win64, split by PE
# section into code, data, resources and anything else, against the goals:
# code and data under 400 KiB, the whole file under 1.2 MiB.
#   bench/setup_size.sh [WIN32_BIN_DIR] [WIN64_BIN_DIR]   (defaults build/win32/bin build/win64/bin)
set -euo pipefail
dirs=("${1:-build/win32/bin}" "${2:-build/win64/bin}")
tools=(i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump)
echo "| build | code (.text) | data (.data .rdata .bss .idata .pdata .xdata .eh_frame .tls .CRT .reloc) | code + data | resources (.rsrc) | other sections | file | goals met |"
echo "|---|---|---|---|---|---|---|---|"
for i in 0 1; do
  exe=${dirs[$i]}/setup.exe
  [ -f "$exe" ] || { echo "| $exe missing | | | | | | | |"; continue; }
  "${tools[$i]}" -h "$exe" | python3 -c "
import os, sys
code = data = rsrc = other = 0
for line in sys.stdin:
    p = line.split()
    if len(p) >= 7 and p[0].isdigit():
        name, size = p[1], int(p[2], 16)
        if name == '.text': code += size
        elif name == '.rsrc': rsrc += size
        elif name in ('.data', '.rdata', '.bss', '.idata', '.pdata', '.xdata', '.tls', '.CRT', '.reloc', '.edata', '.eh_fram', '.eh_frame'): data += size
        else: other += size
total = os.path.getsize(sys.argv[1])
kib = lambda n: '%.1f KiB' % (n / 1024)
ok = code + data < 400 * 1024 and total < 1.2 * 1024 * 1024
print('| %s | %s | %s | %s | %s | %s | %s | %s |' % (sys.argv[2], kib(code), kib(data), kib(code + data), kib(rsrc),
      kib(other), '%.2f MiB' % (total / 1048576), 'yes' if ok else 'no'))
" "$exe" "$([ $i = 0 ] && echo win32 || echo win64)"
done
