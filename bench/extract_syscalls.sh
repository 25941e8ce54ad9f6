#!/usr/bin/env bash
# System calls of `mksetup extract` on a tree of 20,000 small files in 20
# folders, counted with strace, per extracted file.
#   bench/extract_syscalls.sh [MKSETUP]    (default build/native/bin/mksetup)
set -euo pipefail
mksetup=$(realpath "${1:-build/native/bin/mksetup}")
work=$(mktemp -d "${TMPDIR:-/tmp}/extract-syscalls-XXXXXX")
trap 'rm -rf "$work"' EXIT
printf 'MZ\x90\x00 stub' > "$work/stub.exe"
python3 - "$work/payload" <<'PY'
import os, sys
root = sys.argv[1]
for f in range(20):
    folder = os.path.join(root, "f%d" % (100 + f))
    os.makedirs(folder)
    for i in range(1000):
        with open(os.path.join(folder, "%d.txt" % (10000 + i)), "w") as out:
            out.write("file %d of folder %d\r\n" % (i, f))
PY
printf '[product]\nname = "Many"\n[files]\nsource = "payload"\n' > "$work/setup.toml"
"$mksetup" build "$work/setup.toml" --stub "$work/stub.exe" -o "$work/setup.exe" >/dev/null 2>&1
strace -f -c -o "$work/strace.txt" "$mksetup" extract "$work/setup.exe" "$work/out" >/dev/null
diff -r "$work/payload" "$work/out" >/dev/null || { echo "extracted tree differs" >&2; exit 1; }
# strace -c: "% time, seconds, usecs/call, calls, [errors,] syscall"; calls is field 4.
awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ { count[$NF] = $4; all += $4 }
     END { print "| system call | calls | per file |"; print "|---|---|---|";
           for (n in count) if (count[n] >= 100) printf "| %s | %d | %.2f |\n", n, count[n], count[n] / 20000;
           printf "| all | %d | %.2f |\n", all, all / 20000 }' "$work/strace.txt"
