# Miswired and oversized graphs, and the files save writes, as a user meets
# them: each refusal comes at once and names what is wrong, nothing is
# printed or written before a failure, and save writes where the path
# points without breaking links, modes or devices.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Runs orvhost; fails the test unless it exits with the status expected.
function(run expected_status)
  execute_process(COMMAND ${ORVHOST} -q ${ARGN} RESULT_VARIABLE status
    OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 60)
  if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "orvhost ${ARGN}: exit ${status}, expected ${expected_status}: ${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
  set(errors "${errors}" PARENT_SCOPE)
endfunction()
function(expect text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "expected ${pattern}, found:\n${text}")
  endif()
endfunction()

# A node wired into itself is refused, not followed without end.
file(WRITE ${WORK}/self.json [=[{"graphs": {"G": {"nodes": [{"name": "C", "server": "Counter"}],
  "connections": [["C", "Out", "C", "A"]]}}}]=])
run(1 save ${WORK}/self.json -o ${WORK}/self-saved.json)
expect("${errors}" "connections\\[0\\]: .*\"C\".\"Out\" to \"C\".\"A\" would wire the node into itself")

# A cycle through three nodes, connected in an order that hides it until
# the last: named node by node.
file(WRITE ${WORK}/cycle.json [=[{"graphs": {"G": {
  "nodes": [{"name": "A", "server": "Sqrt"}, {"name": "B", "server": "Sqrt"}, {"name": "C", "server": "Sqrt"}],
  "connections": [["B", "Out", "C", "In"], ["A", "Out", "B", "In"], ["C", "Out", "A", "In"]]}}}]=])
run(1 save ${WORK}/cycle.json -o ${WORK}/cycle-saved.json)
expect("${errors}" "graphs.G.connections: graph \"G\" feeds itself: \"[ABC]\" → \"[ABC]\" → \"[ABC]\" → \"[ABC]\"")

# A chain longer than evaluations nest opens and saves; evaluating it is
# refused before any work, naming both ends.
set(nodes "")
set(connections "")
foreach(i RANGE 299)
  string(APPEND nodes "{\"name\": \"N${i}\", \"server\": \"Sqrt\"},")
  if(i GREATER 0)
    math(EXPR before "${i} - 1")
    string(APPEND connections "[\"N${before}\", \"Out\", \"N${i}\", \"In\"],")
  endif()
endforeach()
string(REGEX REPLACE ",$" "" nodes "${nodes}")
string(REGEX REPLACE ",$" "" connections "${connections}")
file(WRITE ${WORK}/long.json "{\"graphs\": {\"G\": {\"nodes\": [${nodes}], \"connections\": [${connections}]}}}")
run(0 save ${WORK}/long.json -o ${WORK}/long-saved.json)
run(1 eval N299 --scene ${WORK}/long-saved.json)
expect("${errors}" "the chain from \"N0\" to \"N299\" is 300 nodes long")
if(NOT output STREQUAL "")
  message(FATAL_ERROR "eval printed before failing: ${output}")
endif()

# A Get Material fetching the store it feeds: refused before the first
# evaluation, naming the path, with nothing on standard output.
run(1 eval Fetch -o Scalar --scene tests/cli/feeds_itself.json --pixel 0,0)
expect("${errors}" "the scene feeds itself: \"Loop/(Fetch|Store)\" → \"Loop/(Fetch|Store)\" → ")
if(NOT output STREQUAL "")
  message(FATAL_ERROR "eval printed before failing: ${output}")
endif()
# The same through a Group Node whose nested graph fetches the store the
# group feeds.
file(WRITE ${WORK}/group_loop.json [=[{
  "objects": [{"name": "Floor", "mesh": {"type": "plane", "size": [4, 4]}, "surface": "Floor"}],
  "surfaces": {"Floor": {
    "nodes": [
      {"name": "Store", "server": "Store Material", "settings": {"Name": "Kept"}},
      {"name": "Group", "server": "Group Node", "graph": {
        "nodes": [{"name": "Fetch", "server": "Get Material", "settings": {"Slot": "Kept"}}],
        "root": {"Color": ["Fetch", "Color"]}}},
      {"name": "Surface", "native": "Surface"}],
    "connections": [["Group", "Color", "Store", "Color"], ["Store", "Color", "Surface", "Color"]]}}}]=])
run(1 render ${WORK}/group_loop.json -o ${WORK}/group_loop.png --width 8 -j 1)
expect("${errors}" "the scene feeds itself: .*\"Floor/Group\".*\"Floor/Store\"")
if(EXISTS ${WORK}/group_loop.png)
  message(FATAL_ERROR "a scene that feeds itself left an image")
endif()
# The same with two stores of the fetched name, the other one away from the
# loop: still refused before any work.
file(WRITE ${WORK}/twin_stores.json [=[{"graphs": {"Loop": {
  "nodes": [
    {"name": "Other", "server": "Store Material", "settings": {"Name": "Twin"}},
    {"name": "Store", "server": "Store Material", "settings": {"Name": "Twin"}},
    {"name": "Fetch", "server": "Get Material", "settings": {"Slot": "Twin"}}],
  "connections": [["Fetch", "Scalar", "Store", "Scalar"]]}}}]=])
run(1 eval Fetch -o Scalar --scene ${WORK}/twin_stores.json --pixel 0,0)
expect("${errors}" "the scene feeds itself: .*\"Loop/Store\"")
if(NOT output STREQUAL "")
  message(FATAL_ERROR "eval printed before failing: ${output}")
endif()

# save writes through a link to its file, keeps the file's mode, refuses a
# device, and writes to standard output for -.
file(WRITE ${WORK}/target.json "{}")
file(CHMOD ${WORK}/target.json PERMISSIONS OWNER_READ OWNER_WRITE)
file(CREATE_LINK target.json ${WORK}/link.json SYMBOLIC)
run(0 save scenes/demo.json -o ${WORK}/link.json)
if(NOT IS_SYMLINK ${WORK}/link.json)
  message(FATAL_ERROR "save replaced the link with a file")
endif()
file(READ ${WORK}/target.json saved)
expect("${saved}" "Mirror and glass")
execute_process(COMMAND stat -c %a ${WORK}/target.json OUTPUT_VARIABLE mode
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT mode STREQUAL "600")
  message(FATAL_ERROR "the saved scene's mode became ${mode}, not 600")
endif()
run(1 save scenes/demo.json -o /dev/null)
expect("${errors}" "/dev/null: is a device, not a regular file")
run(0 save scenes/demo.json -o -)
expect("${output}" "^// A red ball.*\"name\": \"Mirror and glass\"")
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/-)
  message(FATAL_ERROR "save -o - wrote a file named -")
endif()
run(1 render scenes/demo.json -o -)
expect("${errors}" "images cannot be written to standard output")

# A saved scene keeps lines as short as its source: vectors on one line.
file(STRINGS scenes/demo.json source)
file(STRINGS ${WORK}/target.json written)
list(LENGTH source source_lines)
list(LENGTH written written_lines)
math(EXPR most "${source_lines} * 3")
if(written_lines GREATER most)
  message(FATAL_ERROR "a ${source_lines}-line scene was saved as ${written_lines} lines")
endif()
