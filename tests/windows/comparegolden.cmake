cmake_minimum_required(VERSION 3.18)
# Runs trs-golden on a plug-in under Wine and compares its output with the
# committed checksums: the Windows builds must render bit for bit what the
# Linux build renders.
#   cmake -DRUN=wine-run.sh -DPREFIX=... -DTOOL=trs-golden.exe -DPLUGIN=x.dll
#         -DEXPECTED=golden-renders.txt -DOUT=copy.txt -P comparegolden.cmake
execute_process(COMMAND ${RUN} ${PREFIX} ${TOOL} ${PLUGIN}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
string(REPLACE "\r" "" out "${out}")
get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
file(WRITE "${OUT}" "${out}")
if(rc EQUAL 77)
  message(FATAL_ERROR "${err}")
elseif(NOT rc EQUAL 0)
  message(FATAL_ERROR "trs-golden failed (${rc}): ${err}")
endif()
file(READ "${EXPECTED}" expected)
message(STATUS "rendered through ${PLUGIN}:\n${out}")
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "golden renders differ from ${EXPECTED}, which holds:\n${expected}")
endif()
