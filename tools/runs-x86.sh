#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when it does not (a kernel
# built without IA-32 emulation answers "Exec format error"). Wine's 32-bit half, and with it
# the x86 DLL's tests, need that; installing wine32 on such a kernel even breaks the `wine`
# wrapper, which then prefers the 32-bit loader.
set -euo pipefail
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# A complete static 32-bit ELF program of 93 bytes: exit(0) through int 0x80.
base64 -d >"$probe" <<'ELF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhd
AAAAXQAAAAUAAAAAEAAAuAEAAAAx282A
ELF
chmod +x "$probe"
if "$probe" 2>/dev/null; then exit 0; fi
exit 1
