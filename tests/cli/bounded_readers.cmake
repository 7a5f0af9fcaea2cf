# Scene files of about 1 MB in the worst shapes a reader meets: whatever
# each holds, orvhost reads and saves it, or refuses it with a message,
# within 1 GB of address space and 10 s of processor time.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(MB 1048576)

# orvhost with its arguments, within the limits, working or refusing.
function(bounded name)
  execute_process(COMMAND prlimit --as=1073741824 --cpu=10 ${ORVHOST} -q ${ARGN}
                  RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
  if(NOT status MATCHES "^[01]$" OR errors MATCHES "bad_alloc|memory")
    message(FATAL_ERROR "${name}: orvhost ${ARGV1} ended with ${status}: ${errors}")
  endif()
  if(status EQUAL 1 AND NOT errors MATCHES "${name}.json")
    message(FATAL_ERROR "${name}: the refusal does not name the file: ${errors}")
  endif()
endfunction()

# Each shape: a name and the text of its file, read and saved; evaluated
# too when a node of the file is named after the text.
function(shape name text)
  file(WRITE ${WORK}/${name}.json "${text}")
  bounded(${name} save ${WORK}/${name}.json -o ${WORK}/${name}-saved.json)
  if(ARGC GREATER 2)
    bounded(${name} eval ${ARGV2} --scene ${WORK}/${name}.json)
  endif()
endfunction()

string(REPEAT "[" ${MB} deep)
shape(deep_nesting "${deep}")

string(REPEAT "0," 500000 numbers)
shape(huge_array "{\"images\": [${numbers}0]}")

string(REPEAT "x" ${MB} long)
shape(long_name "{\"graphs\": {\"G\": {\"nodes\": [{\"name\": \"${long}\", \"server\": \"Sqrt\"}]}}}")
# A Pixel Image's saved data with an image path of 1 MB, and with an
# envelope of twenty-five thousand keys.
set(settings "{\"i2\": 1}, {\"i2\": 0}, {\"i2\": 1}, {\"i2\": 1}, {\"i2\": 0}, {\"i2\": 0}")
set(colour "{\"envelope\": {\"channels\": [{\"keys\": [], \"value\": 0.0}, {\"keys\": [], \"value\": 0.0}, {\"keys\": [], \"value\": 0.0}], \"type\": 81}}")
set(amount "{\"envelope\": {\"channels\": [{\"keys\": [], \"value\": 1.0}], \"type\": 32}}")
shape(huge_text_item "{\"graphs\": {\"G\": {\"nodes\": [{\"name\": \"A\", \"server\": \"Pixel Image\", \"data\": [${settings}, {\"str\": \"${long}\"}, ${colour}, ${amount}]}]}}}")
string(REPEAT "{\"time\": 0, \"value\": 0, \"shape\": \"linear\"}, " 25000 keys)
shape(huge_envelope "{\"graphs\": {\"G\": {\"nodes\": [{\"name\": \"A\", \"server\": \"Pixel Image\", \"data\": [${settings}, {\"str\": \"\"}, ${colour}, {\"envelope\": {\"channels\": [{\"keys\": [${keys}{\"time\": 1, \"value\": 0, \"shape\": \"linear\"}], \"value\": 1.0}], \"type\": 32}}]}]}}}")

string(REPEAT "{\"i4\": 2147483647}," 50000 counts)
foreach(kind "Group Node" "Ambient Occlusion" "Store Material" "Take Samples")
  string(REPLACE " " "_" tag "${kind}")
  shape(huge_counts_${tag}
        "{\"graphs\": {\"G\": {\"nodes\": [{\"name\": \"A\", \"server\": \"${kind}\", \"data\": [${counts}{\"i4\": 0}]}]}}}")
  string(REPEAT "7fffffff" 100000 hex)
  shape(huge_binary_${tag}
        "{\"graphs\": {\"G\": {\"nodes\": [{\"name\": \"A\", \"server\": \"${kind}\", \"binary\": \"${hex}\"}]}}}")
endforeach()

# Many connections: every node of a few thousand fed by the first, and the
# same connection again and again.
set(nodes "{\"name\": \"N0\", \"server\": \"Sqrt\"}")
set(links "")
foreach(i RANGE 1 6000)
  string(APPEND nodes ", {\"name\": \"N${i}\", \"server\": \"Sqrt\"}")
  string(APPEND links "[\"N0\", \"Out\", \"N${i}\", \"In\"], ")
endforeach()
string(REPEAT "[\"N0\", \"Out\", \"N1\", \"In\"], " 20000 again)
shape(many_connections "{\"graphs\": {\"G\": {\"nodes\": [${nodes}], \"connections\": [${links}${again}[\"N0\", \"Out\", \"N2\", \"In\"]]}}}")

# Group Nodes nested as deep as the reader lets them, and wide.
set(group "{\"name\": \"Leaf\", \"server\": \"Sqrt\"}")
foreach(i RANGE 1 30)
  set(group "{\"name\": \"G${i}\", \"server\": \"Group Node\", \"graph\": {\"nodes\": [${group}]}}")
endforeach()
shape(deep_groups "{\"graphs\": {\"G\": {\"nodes\": [${group}]}}}")

# As many nodes as 1 MB holds, of the kinds that cost most each: every
# Group Node owns a nested editor, every Ambient Occlusion a large panel.
foreach(kind "Group Node" "Ambient Occlusion")
  string(REPLACE " " "_" tag "${kind}")
  set(many "")
  foreach(i RANGE 1 22000)
    string(APPEND many "{\"name\": \"${i}\", \"server\": \"${kind}\"}, ")
  endforeach()
  shape(many_${tag} "{\"graphs\": {\"G\": {\"nodes\": [${many}{\"name\": \"0\", \"server\": \"${kind}\"}]}}}" 0)
endforeach()
