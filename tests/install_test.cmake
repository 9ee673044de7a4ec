# The installed program finds its own modules: installs the build BUILD into
# a fresh prefix, checks where the program and its modules went, and runs the
# module probe PROBE from the installed program's folder. Then an installed
# module is replaced by one of another build (STALE): it is refused.
set(prefix "${BUILD}/install-test")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${prefix}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/diradi lib/diradi/libdiradi_cvio.so lib/diradi/libdiradi_vision.so)
  if(NOT EXISTS "${prefix}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(COPY "${PROBE}" DESTINATION "${prefix}/bin")
get_filename_component(probe_name "${PROBE}" NAME)
execute_process(COMMAND "${prefix}/bin/${probe_name}" RESULT_VARIABLE rc OUTPUT_VARIABLE out)
set(expected "libdiradi_cvio.so: ${prefix}/lib/diradi/libdiradi_cvio.so\nlibdiradi_vision.so: ${prefix}/lib/diradi/libdiradi_vision.so\n")
if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "installed modules not found from the program's folder (${rc}):\n${out}")
endif()
# A module of another build in the installed folder is passed over for the
# next place (the build folder) and never loaded.
file(COPY_FILE "${STALE}" "${prefix}/lib/diradi/libdiradi_vision.so")
execute_process(COMMAND "${prefix}/bin/${probe_name}" RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "libdiradi_vision.so: ${BUILD}/libdiradi_vision.so\n")
  message(FATAL_ERROR "a module of another build was not passed over (${rc}):\n${out}")
endif()
file(REMOVE_RECURSE "${prefix}")
message(STATUS "installed: program in bin, modules in lib/diradi, found from the program")
