# Writes OUT, a header defining DIRADI_BUILD_ID: a hash of every source file
# listed in LIST (one path a line, named relative to ROOT in the hash) and of
# the build's compiler and flags (FLAGS). The
# program and its modules carry it, so a module from other sources or other
# flags (an old build folder, a copy left beside an older program) is refused.
# The header is rewritten only when the hash changes, so an unchanged build
# recompiles nothing.
file(STRINGS "${LIST}" sources)
set(all "${FLAGS}")
foreach(src IN LISTS sources)
  file(SHA256 "${src}" h)
  file(RELATIVE_PATH name "${ROOT}" "${src}")
  string(APPEND all "${name}=${h};")
endforeach()
string(SHA256 id "${all}")
string(SUBSTRING "${id}" 0 24 id)
set(text "#pragma once\n// Made by scripts/buildid.cmake at build time.\n#define DIRADI_BUILD_ID \"${id}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
