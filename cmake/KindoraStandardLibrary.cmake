# Which C++ standard library the compiler uses. macOS's is libc++; Linux builds normally use libstdc++.
# C++ libraries that Debian ships compiled (spdlog, fmt, cpp-httplib, GoogleTest, Google Benchmark, Qt)
# are built against libstdc++, whose symbols a libc++ build cannot link, so a libc++ build uses what can
# be compiled along with the project instead (see kindora_use_libcxx_dependencies) and leaves out what
# cannot.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
#include <version>
#ifndef _LIBCPP_VERSION
#error not libc++
#endif
int main() { return 0; }" KINDORA_USES_LIBCXX)

set(KINDORA_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest sources, built along with the project when the standard library is libc++")

# spdlog and fmt in their header-only form, under the names the compiled ones have.
function(kindora_use_header_only_spdlog)
  find_package(Threads REQUIRED)
  find_path(KINDORA_SPDLOG_INCLUDE_DIR spdlog/spdlog.h REQUIRED)
  find_path(KINDORA_FMT_INCLUDE_DIR fmt/format.h REQUIRED)
  add_library(fmt::fmt INTERFACE IMPORTED GLOBAL)
  target_include_directories(fmt::fmt INTERFACE ${KINDORA_FMT_INCLUDE_DIR})
  target_compile_definitions(fmt::fmt INTERFACE FMT_HEADER_ONLY)
  add_library(spdlog::spdlog INTERFACE IMPORTED GLOBAL)
  target_include_directories(spdlog::spdlog INTERFACE ${KINDORA_SPDLOG_INCLUDE_DIR})
  # Debian's spdlog uses the separate fmt (its tweakme.h says so too).
  target_compile_definitions(spdlog::spdlog INTERFACE SPDLOG_HEADER_ONLY SPDLOG_FMT_EXTERNAL)
  target_link_libraries(spdlog::spdlog INTERFACE fmt::fmt Threads::Threads)
endfunction()

# GoogleTest and GoogleMock compiled from source, under the names FindGTest gives them.
function(kindora_build_googletest)
  if(NOT EXISTS ${KINDORA_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${KINDORA_GOOGLETEST_SOURCE_DIR} "
                        "(Debian: googletest; or set KINDORA_GOOGLETEST_SOURCE_DIR)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KINDORA_GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(library gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${library})  # GoogleTest 1.11 and later name them so themselves
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
endfunction()
