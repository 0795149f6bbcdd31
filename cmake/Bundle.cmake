# Native libraries bundled into the jar, one per platform.
#   rireve_bundle_library(PLATFORM FILE TARGET): FILE (a path or a generator
#   expression) goes to com/nq/odbc/native/PLATFORM/ once TARGET is built.
#   rireve_add_jar(TARGET CLASSES_TARGET OUTPUT): the jar of the classes and
#   every library bundled so far.
set_property(GLOBAL PROPERTY RIREVE_BUNDLE_COMMANDS "")
set_property(GLOBAL PROPERTY RIREVE_BUNDLE_TARGETS "")
set(RIREVE_BUNDLE_STAGING ${CMAKE_BINARY_DIR}/jar-native)

function(rireve_bundle_library platform file target)
  set(folder ${RIREVE_BUNDLE_STAGING}/com/nq/odbc/native/${platform})
  set_property(GLOBAL APPEND PROPERTY RIREVE_BUNDLE_COMMANDS
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${folder}/)
  set_property(GLOBAL APPEND PROPERTY RIREVE_BUNDLE_TARGETS ${target})
endfunction()

function(rireve_add_jar target classes output)
  get_target_property(classes_jar ${classes} JAR_FILE)
  get_property(commands GLOBAL PROPERTY RIREVE_BUNDLE_COMMANDS)
  get_property(targets GLOBAL PROPERTY RIREVE_BUNDLE_TARGETS)
  set(files)
  foreach(bundled ${targets})
    if(TARGET ${bundled})
      get_target_property(type ${bundled} TYPE)
      if(type MATCHES "LIBRARY")
        list(APPEND files $<TARGET_FILE:${bundled}>)
      endif()
    endif()
  endforeach()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${RIREVE_BUNDLE_STAGING}
    ${commands}
    COMMAND ${CMAKE_COMMAND} -E copy ${classes_jar} ${output}
    COMMAND ${Java_JAR_EXECUTABLE} uf ${output} -C ${RIREVE_BUNDLE_STAGING} com
    DEPENDS ${classes} ${classes_jar} ${targets} ${files}
    COMMENT "Bundling the native libraries into ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
