# Two renders with two threads give the same bytes, and the occlusion scene
# saved as readable settings names no id and renders the same bytes again.
file(MAKE_DIRECTORY ${WORK})
function(render scene output)
  execute_process(COMMAND ${ORVHOST} -q render ${scene} -o ${output} --width 64 -j 2
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "render ${scene} failed: ${errors}")
  endif()
endfunction()

render(scenes/occlusion.json ${WORK}/first.png)
render(scenes/occlusion.json ${WORK}/second.png)
file(SHA256 ${WORK}/first.png first)
file(SHA256 ${WORK}/second.png second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two renders with two threads differ")
endif()

execute_process(COMMAND ${ORVHOST} -q save scenes/occlusion.json -o ${WORK}/saved.json
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "save failed: ${errors}")
endif()
file(READ ${WORK}/saved.json saved)
if(saved MATCHES "0x[0-9a-fA-F]" OR saved MATCHES "\"data\"")
  message(FATAL_ERROR "the saved scene names ids or saved data:\n${saved}")
endif()
render(${WORK}/saved.json ${WORK}/resaved.png)
file(SHA256 ${WORK}/resaved.png resaved)
if(NOT first STREQUAL resaved)
  message(FATAL_ERROR "the saved scene renders differently")
endif()
