# Converts test pictures with the Linux converter of the native preset and
# with another build's converter (the Windows one under Wine, the aarch64 one
# under qemu), and fails unless both exit alike and write the same bytes: the
# decoders are built from the same sources for both, the vector loops give
# the plain loops' bytes, and the SVG numbers are formatted by our own code.
#
#   cmake -DNATIVE_CLI=... -DOTHER_CLI=... [-DOTHER_RUN="COMMAND ARGS"] [-DDRIVE=Z:]
#         -DINPUTS="GLOB|GLOB" [-DEVERY_OPTION=ON] -DOUTPUT=... -P converters_agree.cmake
#
# OTHER_RUN is the command that runs the other converter, DRIVE what its paths
# start with (Z: under Wine). Without EVERY_OPTION the runs, each with noise
# removal, are BMP, SVG with thin and thick lines and ink lines in BMP and PNG
# at contrast 16, and photo lines in PNG and SVG at the default contrast, 7,
# where a photograph keeps more of its outlines; with it, every style,
# thickness, noise setting and format at contrasts 1, 7 and 16.
if(NOT EXISTS ${NATIVE_CLI})
  message(FATAL_ERROR "${NATIVE_CLI} is missing: build the native preset first")
endif()
string(REPLACE "|" ";" globs "${INPUTS}")
file(GLOB inputs ${globs})
file(REMOVE_RECURSE ${OUTPUT})
set(other_inputs "")
foreach(input ${inputs})
  list(APPEND other_inputs ${DRIVE}${input})
endforeach()
separate_arguments(other_run UNIX_COMMAND "${OTHER_RUN}")

# Each run: its folder name, which starts with the extension, then its options.
if(EVERY_OPTION)
  set(runs "")
  foreach(format bmp png svg)
    foreach(style edges ink photo)
      foreach(thickness thin thick)
        foreach(contrast 1 7 16)
          foreach(noise off on)
            list(APPEND runs "${format}-${style}-${thickness}-${contrast}-${noise} --format ${format} --style ${style} \
--thickness ${thickness} --contrast ${contrast} --noise ${noise}")
          endforeach()
        endforeach()
      endforeach()
    endforeach()
  endforeach()
else()
  set(runs "bmp --noise on --contrast 16" "svg-thin --noise on --contrast 16 --format svg"
    "svg-thick --noise on --contrast 16 --format svg --thickness thick"
    "bmp-ink --noise on --contrast 16 --style ink"
    "png-ink --noise on --contrast 16 --format png --style ink --thickness thick"
    "png-photo --noise on --format png --style photo"
    "svg-photo --noise on --format svg --style photo --thickness thick")
endif()

set(compared 0)
foreach(run ${runs})
  separate_arguments(run)
  list(POP_FRONT run folder)
  set(options --quiet ${run})
  string(SUBSTRING ${folder} 0 3 extension)
  execute_process(COMMAND ${NATIVE_CLI} ${options} --output-dir ${OUTPUT}/native/${folder} ${inputs}
    RESULT_VARIABLE native_result TIMEOUT 120)
  execute_process(COMMAND ${other_run} ${OTHER_CLI} ${options} --output-dir ${DRIVE}${OUTPUT}/other/${folder}
    ${other_inputs} RESULT_VARIABLE other_result TIMEOUT 300)
  if(NOT native_result STREQUAL other_result)
    message(FATAL_ERROR "${folder}: exit status: native ${native_result}, other ${other_result}")
  endif()

  foreach(input ${inputs})
    get_filename_component(name ${input} NAME_WE)
    set(native ${OUTPUT}/native/${folder}/${name}-velmora.${extension})
    set(other ${OUTPUT}/other/${folder}/${name}-velmora.${extension})
    if(NOT EXISTS ${native} AND NOT EXISTS ${other})
      continue()
    endif()
    if(NOT EXISTS ${native} OR NOT EXISTS ${other})
      message(FATAL_ERROR "${folder}/${name}: only one converter wrote a result")
    endif()
    file(SHA256 ${native} native_hash)
    file(SHA256 ${other} other_hash)
    if(NOT native_hash STREQUAL other_hash)
      message(FATAL_ERROR "${folder}/${name}: the results differ")
    endif()
    math(EXPR compared "${compared} + 1")
  endforeach()
endforeach()
if(compared EQUAL 0)
  message(FATAL_ERROR "no results to compare")
endif()
message(STATUS "${compared} results identical")
