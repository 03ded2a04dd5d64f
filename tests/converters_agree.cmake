# Converts every JPEG of the test data with the Windows converter under Wine
# and with the Linux one, as BMP and as SVG with thin and thick lines, and as
# ink lines in BMP and PNG, and fails unless both exit alike and write the
# same bytes: the decoders are built from the same sources for both, and the
# SVG numbers are formatted by our own code.
#
#   cmake -DWINE_RUN=... -DPREFIX=... -DWINDOWS_CLI=... -DNATIVE_CLI=...
#         -DDATA=... -DOUTPUT=... -P converters_agree.cmake
if(NOT EXISTS ${NATIVE_CLI})
  message(FATAL_ERROR "${NATIVE_CLI} is missing: build the native preset first")
endif()
file(GLOB inputs ${DATA}/*.jpg)
file(REMOVE_RECURSE ${OUTPUT})
set(windows_inputs "")
foreach(input ${inputs})
  list(APPEND windows_inputs Z:${input})
endforeach()

# Each run: its folder name, which starts with the extension, then its options.
set(runs "bmp" "svg-thin --format svg" "svg-thick --format svg --thickness thick"
  "bmp-ink --style ink" "png-ink --format png --style ink --thickness thick")
set(compared 0)
foreach(run ${runs})
  separate_arguments(run)
  list(POP_FRONT run folder)
  set(options --quiet --noise on --contrast 16 ${run})
  string(SUBSTRING ${folder} 0 3 extension)
  execute_process(COMMAND ${NATIVE_CLI} ${options} --output-dir ${OUTPUT}/native/${folder} ${inputs}
    RESULT_VARIABLE native_result TIMEOUT 120)
  execute_process(COMMAND ${WINE_RUN} ${PREFIX} ${WINDOWS_CLI} ${options}
    --output-dir Z:${OUTPUT}/windows/${folder} ${windows_inputs}
    RESULT_VARIABLE windows_result TIMEOUT 300)
  if(NOT native_result STREQUAL windows_result)
    message(FATAL_ERROR "${folder}: exit status: native ${native_result}, Windows ${windows_result}")
  endif()

  foreach(input ${inputs})
    get_filename_component(name ${input} NAME_WE)
    set(native ${OUTPUT}/native/${folder}/${name}-velmora.${extension})
    set(windows ${OUTPUT}/windows/${folder}/${name}-velmora.${extension})
    if(NOT EXISTS ${native} AND NOT EXISTS ${windows})
      continue()
    endif()
    if(NOT EXISTS ${native} OR NOT EXISTS ${windows})
      message(FATAL_ERROR "${folder}/${name}: only one converter wrote a result")
    endif()
    file(SHA256 ${native} native_hash)
    file(SHA256 ${windows} windows_hash)
    if(NOT native_hash STREQUAL windows_hash)
      message(FATAL_ERROR "${folder}/${name}: the results differ")
    endif()
    math(EXPR compared "${compared} + 1")
  endforeach()
endforeach()
if(compared EQUAL 0)
  message(FATAL_ERROR "no results to compare")
endif()
message(STATUS "${compared} results identical")
