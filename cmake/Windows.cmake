# The Windows library, cross-built with mingw-w64 (cmake/toolchains): the
# system's ODBC32 driver manager is linked, the installer odbccp32.dll is bound
# at run time, and the C++ runtime is linked in, so that the DLL imports
# nothing but Windows system DLLs.
set(RIREVE_WINDOWS_JNI_INCLUDES $ENV{JAVA_HOME}/include ${PROJECT_SOURCE_DIR}/cmake/windows)
# The Windows SDK's ODBC headers expect windows.h before them.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-include$<SEMICOLON>windows.h>)
# No build paths, so that two builds give the same DLL.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)

set(RIREVE_JNI_INCLUDES ${RIREVE_WINDOWS_JNI_INCLUDES})
set(RIREVE_ODBC_INCLUDES)
set(RIREVE_PLATFORM_DEFINITIONS WIN32_LEAN_AND_MEAN NOMINMAX)
include(cmake/Layers.cmake)

rireve_natives_library(RI-REVE ${RIREVE_DEFAULT_CATALOG} DRIVER_MANAGER odbc32)
set_target_properties(RI-REVE PROPERTIES PREFIX "" OUTPUT_NAME RI-REVE)
# No time stamp, so that two builds give the same DLL.
target_link_options(RI-REVE PRIVATE -static -s -Wl,--exclude-all-symbols -Wl,--no-insert-timestamp)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_sources(RI-REVE PRIVATE ${RIREVE_NATIVES_X86_DEF})
endif()
rireve_probe_program(probe-program DRIVER_MANAGER odbc32)
target_link_options(probe-program PRIVATE -static -s -Wl,--no-insert-timestamp)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(RIREVE_WINDOWS_PLATFORM windows-x86)
else()
  set(RIREVE_WINDOWS_PLATFORM windows-x86_64)
endif()
rireve_cli_program(cli-program ${RIREVE_DEFAULT_CATALOG} ${RIREVE_WINDOWS_PLATFORM} DRIVER_MANAGER odbc32)
target_link_options(cli-program PRIVATE -static -s -Wl,--no-insert-timestamp)

if(NOT RIREVE_TESTS)
  return()
endif()

# The installer binding and the text conversion, in test programs run under
# Wine. The message box is replaced by one that records what would be shown.
add_executable(installer-selection-test tests/windows/installer_selection_test.cpp
  tests/windows/recording_message_box.cpp)
rireve_use_layer(installer-selection-test installer)
add_executable(ansi-text-test tests/windows/ansi_text_test.cpp)
rireve_use_layer(ansi-text-test binding)
add_executable(jni-harness tests/windows/jni_harness.cpp)
# The harness resolves, and must call, every native of ODBC.java (cmake/Natives.cmake).
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/harness/natives_table.inc CONTENT "${RIREVE_NATIVES_TABLE}")
target_include_directories(jni-harness PRIVATE ${CMAKE_BINARY_DIR}/harness)
foreach(program installer-selection-test ansi-text-test jni-harness)
  target_include_directories(${program} PRIVATE ${RIREVE_WINDOWS_JNI_INCLUDES})
  target_compile_definitions(${program} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_options(${program} PRIVATE -static)
  rireve_strict_warnings(${program})
endforeach()

# Stand-ins for odbccp32.dll: each records which copy was called; they differ
# in file version, in having one, in size and in having the entry point.
function(rireve_test_installer name)
  cmake_parse_arguments(ARG "NO_ENTRY;NO_VERSION" "VERSION" "" ${ARGN})
  set(sources tests/windows/test_installer.c)
  if(NOT ARG_NO_VERSION)
    list(APPEND sources tests/windows/test_installer.rc)
  endif()
  add_library(${name} SHARED ${sources})
  string(REPLACE "." "," version_commas "${ARG_VERSION}")
  target_compile_definitions(${name} PRIVATE TEST_FILE_VERSION=${version_commas}
    $<$<BOOL:${ARG_NO_ENTRY}>:TEST_NO_ENTRY>)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-installers)
  # No C runtime, so that an unversioned copy is small enough to be a stub.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _DllMainCRTStartup@12)
  else()
    set(entry DllMainCRTStartup)
  endif()
  target_link_options(${name} PRIVATE -nostdlib -Wl,--kill-at -Wl,-e,${entry})
  target_link_libraries(${name} PRIVATE kernel32 user32 advapi32 gcc)
endfunction()

enable_language(RC)
rireve_test_installer(installer-3.0.0.1 VERSION 3.0.0.1)
rireve_test_installer(installer-3.0.0.2 VERSION 3.0.0.2)
rireve_test_installer(installer-3.1.0.0 VERSION 3.1.0.0)
rireve_test_installer(installer-3.0.9.9 VERSION 3.0.9.9)
rireve_test_installer(installer-32768.0.0.0 VERSION 32768.0.0.0)
rireve_test_installer(installer-unversioned NO_VERSION)
rireve_test_installer(installer-no-entry VERSION 3.0.0.5 NO_ENTRY)
