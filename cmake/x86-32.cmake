# Code generation for every target of the 32-bit x86 builds (linux32, win32),
# included by their toolchain files.
# - SSE2 arithmetic, not the x87 unit: x87 registers hold 80 bits, so a
#   result would depend on where the compiler happens to store an
#   intermediate value. The components must give the plain IEEE double
#   results of the 64-bit builds, and the tests repeat that arithmetic.
# - -mstackrealign: a 32-bit host may call with the stack aligned to 4 bytes
#   only (the Windows convention, and older Linux code); a function that
#   needs more alignment then realigns the stack itself.
set(rebounder_x86_32_flags "-msse2 -mfpmath=sse -mstackrealign")
