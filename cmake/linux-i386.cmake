# 32-bit x86 Linux build (the POSIX backend at the width of the hosts that
# load the 32-bit driver), with the system's multilib compilers (g++-multilib).
#
# When this machine cannot run a 32-bit program itself (a kernel without
# 32-bit support, or without binfmt_misc for it), the programs run under
# qemu-i386: ctest and test discovery prefix it, and the tests that start
# the tools as child processes are told its path (ORDAX_EMULATOR).
# GoogleTest is built from Debian's sources (libgtest-dev): the 64-bit
# system libraries cannot link at -m32.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(ORDAX_GTEST_FROM_SOURCE ON)

# Once per build directory, outside try_compile: compile a tiny program at
# -m32 and try to run it. The answer is kept in the cache.
get_property(ordax_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT ordax_in_try_compile AND NOT DEFINED CACHE{ORDAX_I386_RUNS_NATIVELY})
  if(DEFINED ENV{CC} AND NOT "$ENV{CC}" STREQUAL "")
    set(ordax_probe_cc "$ENV{CC}")
  else()
    set(ordax_probe_cc cc)
  endif()
  set(ordax_probe_dir "${CMAKE_BINARY_DIR}/CMakeFiles/i386-probe")
  file(MAKE_DIRECTORY "${ordax_probe_dir}")
  file(WRITE "${ordax_probe_dir}/probe.c" "int main(void) { return sizeof(void *) == 4 ? 0 : 1; }\n")
  execute_process(COMMAND ${ordax_probe_cc} -m32 probe.c -o probe
    WORKING_DIRECTORY "${ordax_probe_dir}" RESULT_VARIABLE ordax_probe_built
    OUTPUT_QUIET ERROR_QUIET)
  if(NOT ordax_probe_built EQUAL 0)
    message(FATAL_ERROR "linux-i386: ${ordax_probe_cc} -m32 cannot build a program "
      "(install g++-multilib)")
  endif()
  execute_process(COMMAND "${ordax_probe_dir}/probe" RESULT_VARIABLE ordax_probe_ran
    OUTPUT_QUIET ERROR_QUIET)
  if(ordax_probe_ran STREQUAL "0")
    set(ORDAX_I386_RUNS_NATIVELY ON CACHE BOOL "This machine runs 32-bit x86 programs itself")
  else()
    set(ORDAX_I386_RUNS_NATIVELY OFF CACHE BOOL "This machine runs 32-bit x86 programs itself")
  endif()
endif()

if(NOT ORDAX_I386_RUNS_NATIVELY)
  find_program(ORDAX_QEMU_I386 qemu-i386)
  if(NOT ORDAX_QEMU_I386)
    message(FATAL_ERROR "linux-i386: this machine runs no 32-bit programs and has no "
      "qemu-i386 (install qemu-user)")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${ORDAX_QEMU_I386}")
  # The emulated programs run several times slower: the tests' time limits
  # are raised for this build alone.
  set(ORDAX_TIME_SCALE 4 CACHE STRING "Multiplier of the tests' time limits")
endif()
