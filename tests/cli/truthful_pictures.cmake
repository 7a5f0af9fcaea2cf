# The occlusion scene gives the same beauty with one worker or two, with and
# without node outputs beside it; the output the surface pulled is the value
# it used (the surface shows it as is) with the evaluations counted once;
# and one EXR holds the beauty and every extra image as named channels.
file(MAKE_DIRECTORY ${WORK})
function(orvhost)
  execute_process(COMMAND ${ORVHOST} -q render scenes/occlusion.json --width 48 ${ARGN}
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "render ${ARGN} failed: ${errors}")
  endif()
  set(errors "${errors}" PARENT_SCOPE)
endfunction()
function(same first second what)
  file(SHA256 ${first} a)
  file(SHA256 ${second} b)
  if(NOT a STREQUAL b)
    message(FATAL_ERROR "${what}: ${first} and ${second} differ")
  endif()
endfunction()
function(evaluations errors out)
  string(REGEX MATCH "Occluded/AO +[0-9]+" row "${errors}")
  string(REGEX REPLACE ".* +" "" count "${row}")
  set(${out} "${count}" PARENT_SCOPE)
endfunction()

orvhost(-o ${WORK}/one.pfm -j 1 --stats)
evaluations("${errors}" alone)
orvhost(-o ${WORK}/two.pfm -j 2)
same(${WORK}/one.pfm ${WORK}/two.pfm "one worker and two")
orvhost(-o ${WORK}/with.pfm -j 2 --stats --aov Occluded/AO.Color=${WORK}/color.pfm
  --aov Occluded/AO.Scalar=${WORK}/scalar.pfm --aov depth=${WORK}/depth.pfm)
evaluations("${errors}" withColor)
same(${WORK}/one.pfm ${WORK}/with.pfm "with and without node outputs")
# Luminous and unlit, the surface shows the colour it pulled; the backdrop
# misses nothing in this view of the ground.
orvhost(-o ${WORK}/pulled.pfm -j 3 --region 0,20,48,30 --stats --aov Occluded/AO.Color=${WORK}/pulled-aov.pfm)
evaluations("${errors}" pulled)
same(${WORK}/pulled.pfm ${WORK}/pulled-aov.pfm "the beauty and the output it pulled")
math(EXPR scalarToo "${alone} * 2")
if(NOT withColor EQUAL scalarToo OR pulled EQUAL 0)
  message(FATAL_ERROR "evaluations: ${alone} alone, ${withColor} with Color and Scalar (the "
    "Scalar, never pulled, in a pass of its own: expected ${scalarToo})")
endif()
orvhost(-o ${WORK}/pulled-alone.pfm -j 1 --region 0,20,48,30 --stats)
evaluations("${errors}" pulledAlone)
if(NOT pulled EQUAL pulledAlone)
  message(FATAL_ERROR "evaluations: ${pulledAlone} alone, ${pulled} with the output pulled")
endif()

orvhost(-o ${WORK}/layers.exr --aov Occluded/AO.Scalar=${WORK}/layers.exr
  --aov depth=${WORK}/layers.exr --aov normal=${WORK}/layers.exr --aov alpha=${WORK}/layers.exr)
if(OIIOTOOL)
  execute_process(COMMAND ${OIIOTOOL} --info -v ${WORK}/layers.exr OUTPUT_VARIABLE info)
  foreach(channel "R, G, B, A, Z" "N.X, N.Y, N.Z" "Occluded/AO.Scalar" "orv:camera:position")
    string(FIND "${info}" "${channel}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "layers.exr lacks ${channel}:\n${info}")
    endif()
  endforeach()
endif()
