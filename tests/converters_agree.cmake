# Converts every JPEG of the test data with the Windows converter under Wine
# and with the Linux one, and fails unless both exit alike and write the
# same bytes: the decoders are built from the same sources for both.
#
#   cmake -DWINE_RUN=... -DPREFIX=... -DWINDOWS_CLI=... -DNATIVE_CLI=...
#         -DDATA=... -DOUTPUT=... -P converters_agree.cmake
if(NOT EXISTS ${NATIVE_CLI})
  message(FATAL_ERROR "${NATIVE_CLI} is missing: build the native preset first")
endif()
file(GLOB inputs ${DATA}/*.jpg)
file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT}/native ${OUTPUT}/windows)
file(COPY ${inputs} DESTINATION ${OUTPUT}/native)
file(COPY ${inputs} DESTINATION ${OUTPUT}/windows)

set(options --noise on --contrast 16)
file(GLOB native_inputs ${OUTPUT}/native/*.jpg)
execute_process(COMMAND ${NATIVE_CLI} ${options} ${native_inputs}
  RESULT_VARIABLE native_result TIMEOUT 120)
set(windows_inputs "")
foreach(input ${inputs})
  get_filename_component(name ${input} NAME)
  list(APPEND windows_inputs Z:${OUTPUT}/windows/${name})
endforeach()
execute_process(COMMAND ${WINE_RUN} ${PREFIX} ${WINDOWS_CLI} ${options} ${windows_inputs}
  RESULT_VARIABLE windows_result TIMEOUT 300)
if(NOT native_result STREQUAL windows_result)
  message(FATAL_ERROR "exit status: native ${native_result}, Windows ${windows_result}")
endif()

set(compared 0)
foreach(input ${inputs})
  get_filename_component(name ${input} NAME_WE)
  set(native ${OUTPUT}/native/${name}-velmora.bmp)
  set(windows ${OUTPUT}/windows/${name}-velmora.bmp)
  if(NOT EXISTS ${native} AND NOT EXISTS ${windows})
    continue()
  endif()
  if(NOT EXISTS ${native} OR NOT EXISTS ${windows})
    message(FATAL_ERROR "${name}: only one converter wrote a result")
  endif()
  file(SHA256 ${native} native_hash)
  file(SHA256 ${windows} windows_hash)
  if(NOT native_hash STREQUAL windows_hash)
    message(FATAL_ERROR "${name}: the results differ")
  endif()
  math(EXPR compared "${compared} + 1")
endforeach()
if(compared EQUAL 0)
  message(FATAL_ERROR "no results to compare")
endif()
message(STATUS "${compared} results identical")
