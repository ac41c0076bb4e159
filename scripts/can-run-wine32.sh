#!/usr/bin/env bash
# Exits 0 when this machine can run Wine's 32-bit loader, which runs the 32-bit setup and
# the Windows tests. It can't on a kernel without 32-bit emulation (booted with
# ia32_emulation=off, or built so): the exec fails with "Exec format error".
loader=/usr/lib/wine/wine
[ -x "$loader" ] && "$loader" --version >/dev/null 2>&1
