# Every scene saved into another folder, in each of the three forms, renders
# the same bytes as the original: the files it names are found from there.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/elsewhere)

function(run)
  execute_process(COMMAND ${ORVHOST} -q ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "orvhost ${ARGN} failed: ${errors}")
  endif()
endfunction()

file(GLOB scenes RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} scenes/*.json)
foreach(scene ${scenes})
  get_filename_component(name ${scene} NAME_WE)
  run(render ${scene} -o ${WORK}/${name}.pfm --width 24 --height 16 --samples 1 -j 2)
  file(SHA256 ${WORK}/${name}.pfm original)
  foreach(form settings data binary)
    set(flag "")
    if(NOT form STREQUAL "settings")
      set(flag --${form})
    endif()
    set(saved ${WORK}/elsewhere/${name}-${form}.json)
    run(save ${scene} ${flag} -o ${saved})
    run(render ${saved} -o ${WORK}/elsewhere/${name}-${form}.pfm --width 24 --height 16 --samples 1 -j 2)
    file(SHA256 ${WORK}/elsewhere/${name}-${form}.pfm again)
    if(NOT original STREQUAL again)
      message(FATAL_ERROR "${scene} saved elsewhere as ${form} renders differently")
    endif()
  endforeach()
endforeach()

# Saved data inside a Group Node's nested graph names its image by a path
# relative to the scene's folder (run from there, the path is relative);
# saved with settings into another folder, that path names the same file
# from there, rendered from anywhere but the first folder.
set(grouped ${WORK}/grouped)
file(MAKE_DIRECTORY ${grouped}/env ${grouped}/elsewhere/deeper)
file(COPY scenes/env/card.png DESTINATION ${grouped}/env)
file(COPY tests/cli/grouped_image.json DESTINATION ${grouped})
foreach(step ".;render;grouped_image.json;-o;original.pfm;--samples;1;-j;2"
             ".;save;grouped_image.json;--data;-o;as_data.json"
             ".;save;as_data.json;-o;elsewhere/deeper/settings.json"
             "elsewhere;render;deeper/settings.json;-o;../again.pfm;--samples;1;-j;2")
  list(POP_FRONT step folder)
  execute_process(COMMAND ${ORVHOST} -q ${step} WORKING_DIRECTORY ${grouped}/${folder}
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "orvhost ${step} failed: ${errors}")
  endif()
endforeach()
file(SHA256 ${grouped}/original.pfm original)
file(SHA256 ${grouped}/again.pfm again)
if(NOT original STREQUAL again)
  message(FATAL_ERROR "a nested graph's image saved elsewhere renders differently")
endif()
