# The native methods of com.nq.odbc.ODBC, read from their Java declarations:
# the one list that the exports' names, the 32-bit decorated names (made into
# a .def file here), the checks of both libraries and the Windows JNI
# harness's table of natives derive from. The exports' definitions are held
# to the declarations by the header that javac generates from them. Adding
# a native is its declaration and its definition.
set(RIREVE_JAVA_NATIVES_SOURCE ${PROJECT_SOURCE_DIR}/java/com/nq/odbc/ODBC.java)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RIREVE_JAVA_NATIVES_SOURCE})
file(READ ${RIREVE_JAVA_NATIVES_SOURCE} source)
string(REGEX MATCHALL "[ \t]native[ \t\r\n]+[][A-Za-z0-9_.]+[ \t\r\n]+[A-Za-z0-9_]+\\([^)]*\\)" declarations "${source}")
set(RIREVE_NATIVES)                 # Java_com_nq_odbc_ODBC_<name>, in declaration order
set(RIREVE_NATIVES_X86_DECORATED)   # _Java_..._<name>@<bytes of the arguments>
set(RIREVE_NATIVES_TABLE "")        # C rows {name, declared return type, export, 32-bit export}, for the test harness
foreach(declaration ${declarations})
  string(REGEX REPLACE "^.*[ \t\r\n]([A-Za-z0-9_]+)\\(.*$" "\\1" method "${declaration}")
  string(REGEX REPLACE "^[ \t]native[ \t\r\n]+([][A-Za-z0-9_.]+)[ \t\r\n].*$" "\\1" returns "${declaration}")
  string(REGEX REPLACE "^[^(]*\\(([^)]*)\\)$" "\\1" parameters "${declaration}")
  # JNI's short name: an underscore in the Java name is _1.
  string(REPLACE "_" "_1" mangled "${method}")
  # The environment and the class, then every argument: 8 bytes for long and double, 4 for any other on x86.
  set(bytes 8)
  string(REPLACE "," ";" parameters "${parameters}")
  foreach(parameter ${parameters})
    string(STRIP "${parameter}" parameter)
    if(parameter MATCHES "^(long|double)[ \t\r\n]")
      math(EXPR bytes "${bytes} + 8")
    elseif(NOT parameter STREQUAL "")
      math(EXPR bytes "${bytes} + 4")
    endif()
  endforeach()
  list(APPEND RIREVE_NATIVES Java_com_nq_odbc_ODBC_${mangled})
  list(APPEND RIREVE_NATIVES_X86_DECORATED _Java_com_nq_odbc_ODBC_${mangled}@${bytes})
  string(APPEND RIREVE_NATIVES_TABLE
    "{\"${method}\", \"${returns}\", \"Java_com_nq_odbc_ODBC_${mangled}\", \"_Java_com_nq_odbc_ODBC_${mangled}@${bytes}\"},\n")
endforeach()
list(LENGTH RIREVE_NATIVES count)
if(count EQUAL 0)
  message(FATAL_ERROR "no native method found in ${RIREVE_JAVA_NATIVES_SOURCE}")
endif()

# The 32-bit VM looks the natives up under their decorated names.
set(RIREVE_NATIVES_X86_DEF ${CMAKE_BINARY_DIR}/exports-x86.def)
set(text "; The 32-bit exports, under the decorated names the 32-bit VM looks up (made from ODBC.java).\nEXPORTS\n")
foreach(decorated ${RIREVE_NATIVES_X86_DECORATED})
  string(SUBSTRING "${decorated}" 1 -1 undecorated)
  string(APPEND text "${decorated} = ${undecorated}\n")
endforeach()
file(CONFIGURE OUTPUT ${RIREVE_NATIVES_X86_DEF} CONTENT "${text}")
