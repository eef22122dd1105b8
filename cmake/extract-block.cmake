# cmake -DDOC=installers/installers.md -DLANG=nsis -DOUT=file.nsi -P extract-block.cmake
# Writes the first ```LANG block of the document to OUT: the tests build
# the installer that the document shows, not a copy of it.
file(READ "${DOC}" text)
string(FIND "${text}" "```${LANG}\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${DOC} holds no ${LANG} block")
endif()
string(LENGTH "```${LANG}\n" fence)
math(EXPR start "${start} + ${fence}")
string(SUBSTRING "${text}" ${start} -1 rest)
string(FIND "${rest}" "\n```" end)
math(EXPR end "${end} + 1")
string(SUBSTRING "${rest}" 0 ${end} block)
file(WRITE "${OUT}" "${block}")
