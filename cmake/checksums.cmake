# Writes FILE.md5 and FILE.sha1 beside every file of FOLDER, as a Maven
# repository holds them (cmake -P, with FOLDER set).
file(GLOB files ${FOLDER}/*.jar ${FOLDER}/*.pom ${FOLDER}/*.xml)
foreach(file ${files})
  foreach(algorithm MD5 SHA1)
    file(${algorithm} ${file} sum)
    string(TOLOWER ${algorithm} extension)
    file(WRITE ${file}.${extension} ${sum})
  endforeach()
endforeach()
