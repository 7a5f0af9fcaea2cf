# orvhost links no image library: renders that read no image and write PNG
# or PFM run without it, and those that need it fail before any work,
# naming the file that needed it, the library's path and the reason.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ldd ${ORVHOST} OUTPUT_VARIABLE linked)
if(linked MATCHES "OpenImageIO")
  message(FATAL_ERROR "orvhost links the image library itself:\n${linked}")
endif()

set(missing ${WORK}/no-such-folder/liborvimageio.so)
set(ENV{ORV_IMAGE_LIBRARY} ${missing})
function(run expected_status)
  execute_process(COMMAND ${ORVHOST} -q ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "orvhost ${ARGN}: exit ${status}, expected ${expected_status}: ${errors}")
  endif()
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

run(0 render scenes/demo.json -o ${WORK}/demo.png --pfm ${WORK}/demo.pfm
  "--aov=Checker Floor/Checker.Color=${WORK}/checks.png" --width 32 -j 1)
run(0 panel "Pixel Image" --thumbnail ${WORK}/thumbnail.png)
foreach(written demo.png demo.pfm checks.png)
  if(NOT EXISTS ${WORK}/${written})
    message(FATAL_ERROR "${written} was not written")
  endif()
endforeach()

run(1 render scenes/blurred_reflections.json -o ${WORK}/blurred.png --width 8 -j 1)
if(NOT errors MATCHES "env/sky.exr\": reading it needs the image library ${missing}, which cannot be loaded: .*No such file")
  message(FATAL_ERROR "unexpected error: ${errors}")
endif()
run(1 render scenes/demo.json -o ${WORK}/demo.exr --width 8 -j 1)
if(NOT errors MATCHES "demo.exr: writing it needs the image library ${missing}, which cannot be loaded")
  message(FATAL_ERROR "unexpected error: ${errors}")
endif()
if(EXISTS ${WORK}/blurred.png OR EXISTS ${WORK}/demo.exr)
  message(FATAL_ERROR "a failed render wrote a picture")
endif()
