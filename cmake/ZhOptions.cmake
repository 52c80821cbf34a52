# Compiler flags shared by every target of the tree.
add_compile_options(-Wall -Wextra)
if(ZH_WERROR)
  add_compile_options(-Werror)
endif()
# GCC 12's flow-sensitive buffer checks misfire at -O2 on inlined std::string and
# std::vector copies (offsets near SIZE_MAX, writes "into a region of size 0");
# ASan checks the real accesses in the test build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict -Wno-stringop-overflow -Wno-stringop-overread -Wno-array-bounds)
endif()

if(ZH_SANITIZE AND ZH_TSAN)
  message(FATAL_ERROR "ZH_SANITIZE and ZH_TSAN exclude each other")
endif()

if(ZH_SANITIZE)
  set(_zh_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_zh_san} -O1)
  add_link_options(${_zh_san})
  # Test executables start once per test: linked at a fixed address they need no
  # million relative relocations at every start (half of a large one's start-up).
  add_link_options($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-no-pie>)
endif()

if(ZH_TSAN)
  set(_zh_san -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${_zh_san} -O1)
  add_link_options(${_zh_san})
endif()

# libFuzzer targets under tests/fuzz (a clang build): every target gets coverage
# instrumentation and runs under AddressSanitizer and UBSan.
option(ZH_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(ZH_FUZZ)
  set(_zh_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
               -fno-omit-frame-pointer)
  add_compile_options(${_zh_fuzz} -O1)
  add_link_options(-fsanitize=address,undefined)
  add_link_options($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-no-pie>)
endif()

# LLVM's linker where it is installed, in the instrumented builds only: they link
# some forty large executables, and lld links them in less than half the time of the
# default linker. Release builds keep GCC's linker, which reads the link-time
# optimised objects of the engine core (lld cannot, and would leave a module empty).
find_program(ZH_LLD ld.lld)
if(ZH_LLD AND (ZH_SANITIZE OR ZH_TSAN OR ZH_FUZZ))
  add_link_options(-fuse-ld=lld)
endif()
