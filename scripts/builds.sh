# Sourced: the two builds of Glimra3.exe and which of them this machine can run.
# win32 is the i686 build (preset cross, folder build/), win64 the x86_64 build (preset cross64,
# folder build64/). Some kernels run no 32-bit programs at all; that is asked of the machine by
# running one, since neither uname nor the installed packages tell.

# Exits with 0 where a 32-bit program runs here.
glimra_runs_32bit() {
  local probe status
  probe=$(mktemp)
  # The smallest i386 Linux program: an ELF header, one loadable segment, and exit(0) by int 0x80.
  local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
  elf+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'
  elf+='\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  elf+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  elf+='\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80'
  printf "$elf" >"$probe"
  chmod +x "$probe"
  status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return $status
}

glimra_cxx() { [ "$1" = win64 ] && echo x86_64-w64-mingw32-g++-posix || echo i686-w64-mingw32-g++-posix; }
# The build a configured folder holds.
glimra_build_of() { sed -n 's/^GLIMRA_ARCH:INTERNAL=//p' "$1/CMakeCache.txt"; }
glimra_preset() { [ "$1" = win64 ] && echo cross64 || echo cross; }
glimra_build_dir() { [ "$1" = win64 ] && echo "$PWD/build64" || echo "$PWD/build"; }

# The build that runs here, the 32-bit one where it can (it runs on every Windows).
glimra_runnable_build() { glimra_runs_32bit && echo win32 || echo win64; }
