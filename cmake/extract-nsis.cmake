# cmake -DDOC=installers/installers.md -DOUT=file.nsi -P extract-nsis.cmake
# Writes the first ```nsis block of the document to OUT: the tests build
# the installer that the document shows, not a copy of it.
file(READ "${DOC}" text)
string(FIND "${text}" "```nsis\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${DOC} holds no nsis block")
endif()
math(EXPR start "${start} + 8")
string(SUBSTRING "${text}" ${start} -1 rest)
string(FIND "${rest}" "\n```" end)
math(EXPR end "${end} + 1")
string(SUBSTRING "${rest}" 0 ${end} block)
file(WRITE "${OUT}" "${block}")
