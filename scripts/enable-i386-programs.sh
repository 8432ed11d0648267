#!/usr/bin/env bash
# Makes sure this machine can start 32-bit x86 Linux programs: the linux32
# test program and host program, and 32-bit Wine (itself such a program).
# A 64-bit Linux kernel usually runs them; some are built or configured
# without that support (sandboxed virtual machines, for one). There the kernel
# is told to start them through QEMU's user-mode emulation (Debian package
# qemu-user), as CI services do for foreign architectures; they then run
# unchanged, only slower. Does nothing when they already run.
set -euo pipefail
cd "$(dirname "$0")"

# The 32-bit dynamic loader is itself a 32-bit program.
probe=/lib/ld-linux.so.2
runs() { [ -x "$probe" ] && "$probe" --version >/dev/null 2>&1; }
runs && exit 0
[ -x "$probe" ] || bash install-deps.sh libc6-i386

if ! runs; then
    echo "This kernel does not start 32-bit x86 programs: registering QEMU's user-mode emulation for them"
    bash install-deps.sh qemu-user
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || $sudo mount -t binfmt_misc binfmt_misc $binfmt
    # The ELF header of a 32-bit little-endian x86 program or shared object
    # (machine 3), as QEMU's own registration script matches it; the kernel
    # reads the \x escapes. F: the kernel opens the emulator now, once.
    if [ ! -e $binfmt/qemu-i386 ]; then
        echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' |
            $sudo tee $binfmt/register >/dev/null
    fi
fi
runs || { echo "enable-i386-programs.sh: 32-bit x86 programs still do not start" >&2; exit 1; }
