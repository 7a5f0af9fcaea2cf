# A chain of a hundred thousand Sqrt nodes is read and saved in each form
# within 200 MB of data and 10 s of processor time, and what is saved reads
# back and saves the same again.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# CMake's own loops would take minutes over a file of this size.
execute_process(COMMAND python3 -c [[
import sys
count = 100000
nodes = ",\n".join('{"name": "N%d", "server": "Sqrt"}' % i for i in range(count))
links = ",\n".join('["N%d", "Out", "N%d", "In"]' % (i - 1, i) for i in range(1, count))
open(sys.argv[1], "w").write('{"graphs": {"Chain": {"nodes": [%s],\n"connections": [%s]}}}\n' % (nodes, links))
]] ${WORK}/chain.json RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "could not write the chain: ${made}")
endif()

function(bounded)
  execute_process(COMMAND prlimit --data=209715200 --cpu=10 ${ORVHOST} -q ${ARGN}
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "orvhost ${ARGN} ended with ${status}: ${errors}")
  endif()
endfunction()

foreach(form settings data binary)
  set(option "")
  if(NOT form STREQUAL "settings")
    set(option --${form})
  endif()
  bounded(save ${WORK}/chain.json ${option} -o ${WORK}/${form}.json)
  bounded(save ${WORK}/${form}.json ${option} -o ${WORK}/${form}-again.json)
  file(READ ${WORK}/${form}.json saved)
  file(READ ${WORK}/${form}-again.json again)
  if(NOT saved STREQUAL again)
    message(FATAL_ERROR "the chain saved as ${form} saves differently once read back")
  endif()
endforeach()
