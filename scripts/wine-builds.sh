# Sourced by install-deps, demo and test: which Windows build's programs Wine
# can run on this machine.

# Whether the kernel starts 32-bit x86 programs (ia32_emulation on): a
# 96-byte i386 program that only exits with status 42, so the answer needs
# nothing 32-bit installed. A kernel without 32-bit support refuses it at
# exec (Exec format error).
kernel_runs_32bit_programs() {
  local folder status=0
  folder=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-ia32.XXXXXX")
  {
    # ELF header: 32-bit, little-endian, an executable for the 80386,
    # entry at 0x08048054, one program header at offset 52.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    # One loadable, executable segment: the whole file at 0x08048000.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$folder/probe"
  chmod +x "$folder/probe"
  ("$folder/probe") >/dev/null 2>&1 || status=$?
  rm -rf "$folder"
  [ "$status" -eq 42 ]
}

# Why Wine cannot run the 32-bit build here; nothing where it can. Debian's
# 32-bit loader needs both a kernel that starts it and wine32 installed.
why_no_32bit_wine() {
  if ! kernel_runs_32bit_programs; then
    echo "this machine's kernel runs no 32-bit programs (ia32_emulation is off)"
  elif ! (/usr/lib/wine/wine --version; exit $?) >/dev/null 2>&1; then
    echo "32-bit Wine (wine32:i386) is not installed: scripts/install-deps could not install it from this machine's apt sources and said why"
  fi
}
