# The Debian package of the command line (packaging/debian/make_deb.sh):
# /usr/bin/ri-reve, its probe program in /usr/lib/ri-reve, the manual page,
# the bash completion, the copyright and the changelog. Built with the rest
# whenever dpkg's tools are installed (decided at each configure), never in
# a sanitizer build, whose programs are instrumented. RIREVE_DEB is the
# package's path; RIREVE_SKIPPED_DEB says why none is made.
find_program(RIREVE_DPKG_DEB dpkg-deb)
find_program(RIREVE_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(RIREVE_DPKG_PARSECHANGELOG dpkg-parsechangelog)
set(RIREVE_SKIPPED_DEB)
if(RIREVE_SANITIZE)
  set(RIREVE_SKIPPED_DEB "a sanitizer build makes no package")
elseif(NOT RIREVE_DPKG_DEB OR NOT RIREVE_DPKG_SHLIBDEPS OR NOT RIREVE_DPKG_PARSECHANGELOG)
  set(RIREVE_SKIPPED_DEB "dpkg-deb, dpkg-shlibdeps and dpkg-parsechangelog (dpkg-dev) are not all installed")
endif()
if(NOT RIREVE_SKIPPED_DEB)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE RIREVE_DEB_ARCHITECTURE
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(RIREVE_DEB ${CMAKE_BINARY_DIR}/ri-reve_${PROJECT_VERSION}_${RIREVE_DEB_ARCHITECTURE}.deb)
  set(debian ${PROJECT_SOURCE_DIR}/packaging/debian)
  add_custom_command(OUTPUT ${RIREVE_DEB}
    COMMAND ${debian}/make_deb.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${RIREVE_PROJECT_URL}
      ${CMAKE_STRIP} ${RIREVE_DEB}
    DEPENDS cli-program probe-program ${CMAKE_BINARY_DIR}/ri-reve.1 ${CMAKE_BINARY_DIR}/ri-reve.bash-completion
      ${debian}/make_deb.sh ${debian}/changelog ${debian}/copyright.in
    COMMENT "Making the Debian package ${RIREVE_DEB}"
    VERBATIM)
  add_custom_target(deb ALL DEPENDS ${RIREVE_DEB})
endif()
