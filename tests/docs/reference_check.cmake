# The node reference's check passes on the pages as they are, and fails, naming
# what is missing, on a copy of the pages with one control's row removed and
# on one with a picture left out.
#   cmake -DPYTHON=... -DORVHOST=... -DSOURCE=... -DWORK=... -P reference_check.cmake

function(run_check docs result_var output_var)
  execute_process(
    COMMAND ${PYTHON} ${SOURCE}/scripts/make-docs --check-only --orvhost ${ORVHOST} --docs ${docs}
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE ignored)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

# A copy of the pages whose FILE has every line matching PATTERN removed.
function(copy_without name file pattern)
  file(REMOVE_RECURSE ${WORK}/${name})
  file(COPY ${SOURCE}/docs/nodes/ DESTINATION ${WORK}/${name})
  file(READ ${WORK}/${name}/${file} text)
  string(REGEX REPLACE "\n[^\n]*${pattern}[^\n]*" "" text "${text}")
  file(WRITE ${WORK}/${name}/${file} "${text}")
endfunction()

run_check(${SOURCE}/docs/nodes result output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the pages as they are fail their check:\n${output}")
endif()

copy_without(no-control ambient-occlusion.md "\\| `Cone Angle` \\|")
run_check(${WORK}/no-control result output)
if(result EQUAL 0 OR NOT output MATCHES "ambient-occlusion.md: control \"Cone Angle\" \\(0x8006\\)")
  message(FATAL_ERROR "a page without Cone Angle's row passed its check (exit ${result}):\n${output}")
endif()

copy_without(no-picture gaussian-reflections.md "img/reflection_blur.png")
run_check(${WORK}/no-picture result output)
if(result EQUAL 0 OR NOT output MATCHES "gaussian-reflections.md: does not show its picture img/reflection_blur.png")
  message(FATAL_ERROR "a page without its blur picture passed its check (exit ${result}):\n${output}")
endif()
