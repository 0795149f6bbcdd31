# The jar users take, and the same as a Maven artifact.
#   rireve_bundle_library(PLATFORM FILE NAME TARGET [STRIP]): FILE (a path or a
#   generator expression), stripped with the STRIP program if given, goes into
#   the jar as com/nq/odbc/native/PLATFORM/NAME once TARGET is built.
#   rireve_add_jar(TARGET CLASSES_TARGET OUTPUT): the jar of the classes, every
#   library bundled so far, the licence and the module descriptor, and
#   build/maven, a Maven repository holding it with its pom, sources and
#   Javadoc jars, the artifact's maven-metadata.xml, and their checksums.
# Every jar is made reproducibly: entries in order, with one fixed date
# ($SOURCE_DATE_EPOCH when set), and natives without symbols or build paths,
# so that two builds of one commit give the same bytes.
set_property(GLOBAL PROPERTY RIREVE_BUNDLE_COMMANDS "")
set_property(GLOBAL PROPERTY RIREVE_BUNDLE_TARGETS "")
set(RIREVE_BUNDLE_STAGING ${CMAKE_BINARY_DIR}/jar-native)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  string(TIMESTAMP RIREVE_JAR_DATE "%Y-%m-%dT%H:%M:%SZ" UTC)
else()
  set(RIREVE_JAR_DATE "1980-02-01T00:00:00Z")
endif()
set(RIREVE_GROUP_PATH com/nq/odbc)
set(RIREVE_ARTIFACT ri-reve)
set(RIREVE_PROJECT_URL https://odbc.nq.com/ri-reve)
# maven-metadata.xml's time stamp, from the same date as the jar entries.
string(REGEX REPLACE "[-T:Z]" "" RIREVE_METADATA_DATE "${RIREVE_JAR_DATE}")

function(rireve_bundle_library platform file name target)
  set(folder ${RIREVE_BUNDLE_STAGING}/com/nq/odbc/native/${platform})
  if(ARGN)
    set(place ${ARGN} --strip-all -o ${folder}/${name} ${file})
  else()
    set(place ${CMAKE_COMMAND} -E copy ${file} ${folder}/${name})
  endif()
  set_property(GLOBAL APPEND PROPERTY RIREVE_BUNDLE_COMMANDS
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${place})
  set_property(GLOBAL APPEND PROPERTY RIREVE_BUNDLE_TARGETS ${target})
endfunction()

function(rireve_add_jar target classes output)
  get_target_property(classes_dir ${classes} CLASSDIR)
  get_property(commands GLOBAL PROPERTY RIREVE_BUNDLE_COMMANDS)
  get_property(targets GLOBAL PROPERTY RIREVE_BUNDLE_TARGETS)
  set(files)
  foreach(bundled ${targets})
    if(TARGET ${bundled})
      get_target_property(type ${bundled} TYPE)
      if(type MATCHES "LIBRARY|EXECUTABLE")
        list(APPEND files $<TARGET_FILE:${bundled}>)
      endif()
    endif()
  endforeach()
  set(jar ${Java_JAR_EXECUTABLE} --create --date=${RIREVE_JAR_DATE})
  # A real module for Java 9 and newer (META-INF/versions/9/module-info.class),
  # so that jlink takes the jar; the classes themselves stay Java 8's.
  set(module_classes ${CMAKE_BINARY_DIR}/module-classes)
  add_custom_command(OUTPUT ${module_classes}/module-info.class
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${module_classes}
    COMMAND ${Java_JAVAC_EXECUTABLE} --release 9 -Xlint:all -Werror -d ${module_classes}
      --patch-module com.nq.odbc=${classes_dir} ${PROJECT_SOURCE_DIR}/java9/module-info.java
    DEPENDS ${classes} ${PROJECT_SOURCE_DIR}/java9/module-info.java
    VERBATIM)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${RIREVE_BUNDLE_STAGING} ${output}
    ${commands}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${RIREVE_BUNDLE_STAGING}/META-INF/LICENSE
    COMMAND ${jar} --file ${output} --manifest ${CMAKE_BINARY_DIR}/manifest.txt
      -C ${classes_dir} com -C ${RIREVE_BUNDLE_STAGING} com -C ${RIREVE_BUNDLE_STAGING} META-INF
      --release 9 -C ${module_classes} module-info.class
    DEPENDS ${classes} ${targets} ${files} ${CMAKE_BINARY_DIR}/manifest.txt ${PROJECT_SOURCE_DIR}/LICENSE
      ${module_classes}/module-info.class
    COMMENT "Bundling the native libraries into ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})

  # The Maven repository: build/maven/com/nq/odbc/ri-reve/VERSION/.
  set(folder ${CMAKE_BINARY_DIR}/maven/${RIREVE_GROUP_PATH}/${RIREVE_ARTIFACT}/${PROJECT_VERSION})
  set(base ${folder}/${RIREVE_ARTIFACT}-${PROJECT_VERSION})
  set(sources ${CMAKE_BINARY_DIR}/sources)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/pom.xml.in ${CMAKE_BINARY_DIR}/pom.xml @ONLY)
  # The artifact's version list, so that version ranges resolve.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/maven-metadata.xml.in ${CMAKE_BINARY_DIR}/maven-metadata.xml @ONLY)
  get_filename_component(artifact_folder ${folder} DIRECTORY)
  add_custom_command(OUTPUT ${base}.jar ${base}.pom ${base}-sources.jar ${base}-javadoc.jar
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${folder} ${sources}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder} ${sources}/com/nq/odbc
    COMMAND ${CMAKE_COMMAND} -E copy ${output} ${base}.jar
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/pom.xml ${base}.pom
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/java/com/nq/odbc ${sources}/com/nq/odbc
    COMMAND ${CMAKE_COMMAND} -E copy ${RIREVE_GENERATED_SOURCES}/com/nq/odbc/Version.java
      ${RIREVE_GENERATED_SOURCES}/com/nq/odbc/Messages.java ${sources}/com/nq/odbc
    COMMAND ${CMAKE_COMMAND} -E rm -f ${sources}/com/nq/odbc/Version.java.in
    COMMAND ${jar} --file ${base}-sources.jar -C ${sources} com
    COMMAND ${jar} --file ${base}-javadoc.jar -C ${CMAKE_BINARY_DIR}/javadoc .
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${folder} -P ${PROJECT_SOURCE_DIR}/cmake/checksums.cmake
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/maven-metadata.xml ${artifact_folder}/maven-metadata.xml
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${artifact_folder} -P ${PROJECT_SOURCE_DIR}/cmake/checksums.cmake
    DEPENDS ${output} ${CMAKE_BINARY_DIR}/pom.xml ${CMAKE_BINARY_DIR}/maven-metadata.xml javadoc
    COMMENT "Writing the Maven repository in ${CMAKE_BINARY_DIR}/maven"
    VERBATIM)
  add_custom_target(maven-repository ALL DEPENDS ${base}.jar)
  add_dependencies(maven-repository ${target})
endfunction()
