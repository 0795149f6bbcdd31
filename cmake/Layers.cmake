# The library's layers, from the bottom; one list for Linux and Windows. A
# file whose name ends in _linux or _windows is built for that platform only;
# one whose name ends in a driver manager's (_unixodbc) only where that driver
# manager is (RIREVE_DRIVER_MANAGERS: unixODBC on Linux; none on Windows,
# whose installer is the system's).
#
#   natives    the exported native methods (built into each library itself)
#   binding    the JNI layer: the call frame, Java objects built from the catalogue's records, requests
#              taken from Java arguments, text; the only layer that speaks JNI
#   cli        beside the binding: the command line's commands (CLI11) and output (tables, JSON with
#              nlohmann-json), over the installer and the probe; no JNI
#   probe      beside the installer: a connection tested through the driver manager, and the
#              configuration diagnosed from the drivers' files, loading nothing
#   state      the configuration as code: a JSON document of what the machine should hold, exported,
#              planned and applied over the installer and the catalogue (plain C++ for every front end)
#   installer  registration, removal and edits of data sources, as plain requests
#   catalog    drivers and data sources as plain records
#   profile    the Linux configuration files, read and changed by the driver manager's rules
#   platform   the ODBC environment; the driver manager's rules (driver_manager.h: one table per driver
#              manager, chosen once per process); the installer library's entry points, bound at run time;
#              the process-wide lock; a helper program run as a bounded child process
#   base       status with errno and path, UTF-8, the rules of the configuration's text: no JNI, no ODBC
#
# Each layer is one library target linking only the layer below it (or the
# layers RIREVE_BELOW_<layer> names: probe and installer stand side by side
# on the catalogue, the state on the installer, and the binding and the
# command line on the state and the probe), and its
# sources see only the include roots of their own folder and the folders
# below (a folder of the build tree holding a link to the source folder): an
# include against the direction fails the build.
set(RIREVE_LAYERS base platform profile catalog installer state probe cli binding natives)
set(RIREVE_BELOW_state installer)
set(RIREVE_BELOW_probe catalog)
set(RIREVE_BELOW_cli state probe)
set(RIREVE_BELOW_binding state probe)
set(RIREVE_LAYER_base secret_keys.cpp status.cpp text_rules.cpp utf8.cpp)
set(RIREVE_LAYER_binding frame.cpp record.cpp java_catalog.cpp java_drivers.cpp java_probe.cpp java_state.cpp request_options_linux.cpp
  request_options_windows.cpp requests.cpp system_property.cpp text.cpp text_linux.cpp text_windows.cpp)
set(RIREVE_LAYER_platform odbc_environment.cpp child_process_linux.cpp child_process_windows.cpp configuration_lock_linux.cpp configuration_lock_windows.cpp
  driver_manager_linux.cpp driver_manager_unixodbc.cpp home_folder_linux.cpp installer_profile.cpp
  installer_library.cpp installer_library_linux.cpp installer_library_windows.cpp message_box_windows.cpp)
set(RIREVE_LAYER_cli changes.cpp command_line.cpp connection_test.cpp help.cpp json_text_linux.cpp json_text_windows.cpp
  listings.cpp messages.cpp output.cpp probe_process_linux.cpp probe_process_windows.cpp records.cpp requests.cpp
  state_commands.cpp stream_write_linux.cpp stream_write_windows.cpp)
set(RIREVE_LAYER_profile file_attributes_linux.cpp file_lock_linux.cpp file_system_linux.cpp file_target_linux.cpp
  file_version_linux.cpp open_writers_linux.cpp profile.cpp profile_text.cpp profile_writer_linux.cpp reader_linux.cpp section_layout.cpp)
set(RIREVE_LAYER_catalog configuration.cpp records.cpp)
set(RIREVE_LAYER_installer attribute_text.cpp config_data_source_linux.cpp config_data_source_windows.cpp
  data_source_entries_linux.cpp data_source_entries_windows.cpp data_source_file_linux.cpp
  driver_manager_settings_linux.cpp driver_manager_settings_windows.cpp drivers_linux.cpp drivers_windows.cpp
  file_data_source_path.cpp file_data_sources_linux.cpp file_data_sources_windows.cpp
  lock_timeout.cpp registration.cpp setup_call_linux.cpp setup_call_windows.cpp setup_child_linux.cpp
  setup_child_windows.cpp setup_request.cpp)
set(RIREVE_LAYER_state carry_out_linux.cpp carry_out_windows.cpp export.cpp file_plan.cpp machine.cpp machine_linux.cpp
  machine_windows.cpp secret_values.cpp section_names_linux.cpp section_names_windows.cpp state.cpp unified_diff.cpp
  wanted_files.cpp wanted_state.cpp)
set(RIREVE_LAYER_probe test_target.cpp test_target_linux.cpp test_target_windows.cpp configuration_files_linux.cpp configuration_files_windows.cpp connection_probe.cpp diagnosis.cpp library_image.cpp library_image_linux.cpp
  library_image_windows.cpp report_text.cpp)
# The catalogue is read from the files on Linux and from the driver manager on
# Windows; a test build lists through a stand-in driver manager on Linux too.
set(RIREVE_CATALOG_files files_catalog_linux.cpp)
set(RIREVE_CATALOG_driver-manager driver_manager_catalog.cpp)
if(WIN32)
  set(RIREVE_DEFAULT_CATALOG driver-manager)
else()
  set(RIREVE_DEFAULT_CATALOG files)
endif()

# The driver managers whose files a build may hold, and those this platform
# has; a new one joins the first list, and the second where it is found.
set(RIREVE_KNOWN_DRIVER_MANAGERS unixodbc)
if(WIN32)
  set(RIREVE_DRIVER_MANAGERS)
else()
  set(RIREVE_DRIVER_MANAGERS unixodbc)
endif()

# Whether this platform builds the file: its platform's, or its driver manager's.
function(rireve_builds out file)
  set(builds ON)
  if((WIN32 AND file MATCHES "_linux\\.cpp$") OR (NOT WIN32 AND file MATCHES "_windows\\.cpp$"))
    set(builds OFF)
  endif()
  foreach(manager ${RIREVE_KNOWN_DRIVER_MANAGERS})
    if(file MATCHES "_${manager}\\.cpp$" AND NOT manager IN_LIST RIREVE_DRIVER_MANAGERS)
      set(builds OFF)
    endif()
  endforeach()
  set(${out} ${builds} PARENT_SCOPE)
endfunction()

# The sources of a folder that this platform builds, as full paths.
function(rireve_platform_sources out folder)
  set(kept)
  foreach(file ${ARGN})
    rireve_builds(builds ${file})
    if(builds)
      list(APPEND kept ${PROJECT_SOURCE_DIR}/${folder}/${file})
    endif()
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# The include root that shows one folder alone.
function(rireve_layer_root layer out)
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  if(NOT IS_SYMLINK ${root}/${layer})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# Lets a target (a test, a fuzzer, a final library) include one layer and so
# every layer below it.
function(rireve_use_layer target layer)
  target_link_libraries(${target} PRIVATE ri-reve-${layer})
endfunction()

function(rireve_layer_target name layer below)
  cmake_parse_arguments(ARG "OBJECT" "" "" ${ARGN})
  rireve_platform_sources(sources ${layer} ${ARG_UNPARSED_ARGUMENTS})
  if(ARG_OBJECT)
    add_library(${name} OBJECT ${sources})
  else()
    add_library(${name} STATIC ${sources})
  endif()
  rireve_layer_root(${layer} root)
  target_include_directories(${name} PUBLIC ${root})
  foreach(each ${below})
    target_link_libraries(${name} PUBLIC ri-reve-${each})
  endforeach()
  rireve_strict_warnings(${name})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# The platform layer carries the ODBC headers (not the driver manager itself:
# each library links its own), the binding layer the JNI headers.
set(below)
foreach(layer ${RIREVE_LAYERS})
  if(layer STREQUAL "natives")
    break()
  endif()
  if(DEFINED RIREVE_BELOW_${layer})
    set(below ${RIREVE_BELOW_${layer}})
  endif()
  rireve_layer_target(ri-reve-${layer} ${layer} "${below}" ${RIREVE_LAYER_${layer}})
  set(below ${layer})
endforeach()
target_include_directories(ri-reve-platform PUBLIC ${RIREVE_ODBC_INCLUDES})
target_include_directories(ri-reve-binding PUBLIC ${RIREVE_JNI_INCLUDES})
# Two header-only libraries from the build machine's packages: nlohmann-json
# (libcli11-dev's CLI11 for the command line, nlohmann-json3-dev for the state
# and the command line), through a folder of their own, so that a cross build
# sees them and nothing else of /usr/include.
find_path(RIREVE_CLI11_INCLUDE CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(RIREVE_NLOHMANN_INCLUDE nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(RIREVE_CLI_INCLUDES ${CMAKE_BINARY_DIR}/third-party)
foreach(library CLI11:CLI NLOHMANN:nlohmann)
  string(REPLACE ":" ";" fields ${library})
  list(GET fields 0 variable)
  list(GET fields 1 folder)
  if(NOT IS_SYMLINK ${RIREVE_CLI_INCLUDES}/${folder})
    file(MAKE_DIRECTORY ${RIREVE_CLI_INCLUDES})
    file(CREATE_LINK ${RIREVE_${variable}_INCLUDE}/${folder} ${RIREVE_CLI_INCLUDES}/${folder} SYMBOLIC)
  endif()
endforeach()
target_include_directories(ri-reve-state SYSTEM PUBLIC ${RIREVE_CLI_INCLUDES})
target_include_directories(ri-reve-cli SYSTEM PUBLIC ${RIREVE_CLI_INCLUDES})
# The ODBC environment calls the driver manager, which each library names for itself
# (RIREVE_DRIVER_MANAGER): so it comes after every layer on the link line.
target_link_libraries(ri-reve-platform INTERFACE $<TARGET_PROPERTY:RIREVE_DRIVER_MANAGER>)
target_compile_definitions(ri-reve-platform PUBLIC ${RIREVE_PLATFORM_DEFINITIONS})
foreach(catalog files driver-manager)
  rireve_platform_sources(sources catalog ${RIREVE_CATALOG_${catalog}})
  if(sources)
    # Objects, linked whole into each library: the layers above call them.
    rireve_layer_target(ri-reve-catalog-${catalog} catalog catalog OBJECT ${RIREVE_CATALOG_${catalog}})
  endif()
endforeach()
rireve_layer_root(natives RIREVE_NATIVES_ROOT)

# What each layer's sources may include: its own folder and every folder
# below it, as the links above make them (probe and installer each see the
# catalogue and below, not each other). The layer check reads these.
set(RIREVE_LAYER_VISIBILITY)
set(below)
foreach(layer ${RIREVE_LAYERS})
  if(DEFINED RIREVE_BELOW_${layer})
    set(below ${RIREVE_BELOW_${layer}})
  endif()
  set(visible ${layer})
  foreach(each ${below})
    list(APPEND visible ${RIREVE_VISIBLE_${each}})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  set(RIREVE_VISIBLE_${layer} ${visible})
  string(REPLACE ";" "," visible "${visible}")
  list(APPEND RIREVE_LAYER_VISIBILITY "${layer}=${visible}")
  set(below ${layer})
endforeach()

# A library of the natives over the layers: the installer, the catalogue
# named, and the driver manager it links.
function(rireve_natives_library target catalog)
  cmake_parse_arguments(ARG "" "" "DRIVER_MANAGER" ${ARGN})
  add_library(${target} SHARED ${PROJECT_SOURCE_DIR}/natives/exports.cpp ${ARG_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES RIREVE_DRIVER_MANAGER "${ARG_DRIVER_MANAGER}")
  target_include_directories(${target} PRIVATE ${RIREVE_NATIVES_ROOT})
  target_link_libraries(${target} PRIVATE ri-reve-jni-headers ri-reve-binding ri-reve-catalog-${catalog})
  rireve_strict_warnings(${target})
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# The include roots a source of that layer sees, for a program that compiles
# a layer's sources itself (a fuzzer, instrumented as its sources must be).
function(rireve_layer_includes out layer)
  set(roots ${RIREVE_JNI_INCLUDES})
  foreach(each ${RIREVE_LAYERS})
    list(APPEND roots ${CMAKE_BINARY_DIR}/layers/${each})
    if(each STREQUAL layer)
      break()
    endif()
  endforeach()
  set(${out} ${roots} PARENT_SCOPE)
endfunction()

# The program that runs one connection test, or one request for a driver's
# setup library, in a process of its own (helper/), over the probe and
# installer layers and the driver manager it links.
function(rireve_probe_program target)
  cmake_parse_arguments(ARG "" "" "DRIVER_MANAGER" ${ARGN})
  rireve_platform_sources(sources helper probe_main.cpp child_linux.cpp child_windows.cpp)
  # The installer library it binds at run time is the driver manager's own.
  rireve_platform_sources(named platform installer_library_name_linux.cpp)
  add_executable(${target} ${sources} ${named})
  rireve_layer_root(helper root)
  target_include_directories(${target} PRIVATE ${root})
  set_target_properties(${target} PROPERTIES RIREVE_DRIVER_MANAGER "${ARG_DRIVER_MANAGER}" OUTPUT_NAME ri-reve-probe)
  target_link_libraries(${target} PRIVATE ri-reve-probe ri-reve-installer ${CMAKE_DL_LIBS})
  rireve_strict_warnings(${target})
endfunction()

# The command line, ri-reve (cli/), over the installer, the probe, the
# catalogue named and the driver manager it links; PLATFORM is the name of
# the platform it is built for, as the jar's folders name it.
function(rireve_cli_program target catalog platform)
  cmake_parse_arguments(ARG "" "" "DRIVER_MANAGER" ${ARGN})
  add_executable(${target} ${PROJECT_SOURCE_DIR}/cli/main.cpp ${ARG_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES RIREVE_DRIVER_MANAGER "${ARG_DRIVER_MANAGER}" OUTPUT_NAME ri-reve)
  target_link_libraries(${target} PRIVATE ri-reve-cli ri-reve-catalog-${catalog})
  target_compile_definitions(${target} PRIVATE RIREVE_VERSION="${PROJECT_VERSION}" RIREVE_PLATFORM="${platform}")
  rireve_strict_warnings(${target})
endfunction()
