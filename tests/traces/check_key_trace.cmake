# With KEYS: plays the key script with the options of its "#   sim ... --keys X --trace Y" line,
# in the game directory with the pictures and then with --no-pictures, and compares both traces
# with Y byte for byte. Without KEYS: a script with a malformed third line must stop the simulator
# with exit status 2 and a message naming that line.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(NOT KEYS)
  file(WRITE "${WORK}/bad.keys" "1 38\n# fine so far\n12 up\n")
  execute_process(COMMAND "${SIM}" --ticks 20 --keys "${WORK}/bad.keys" --no-pictures
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc EQUAL 2 OR NOT err MATCHES "bad.keys line 3: ")
    message(FATAL_ERROR "exit status ${rc}, message: ${err}")
  endif()
  return()
endif()

file(STRINGS "${KEYS}" made REGEX "^#[ ]+sim .* --keys [^ ]+ --trace [^ ]+$")
if(NOT made)
  message(FATAL_ERROR "${KEYS} does not say how its trace was made")
endif()
string(REGEX REPLACE "^#[ ]+sim (.*) --keys [^ ]+ --trace ([^ ]+)$" "\\1" options "${made}")
string(REGEX REPLACE "^#[ ]+sim (.*) --keys [^ ]+ --trace ([^ ]+)$" "\\2" trace "${made}")
get_filename_component(dir "${KEYS}" DIRECTORY)
separate_arguments(options UNIX_COMMAND "${options}")
foreach(mode pictures no-pictures)
  set(extra "")
  if(mode STREQUAL "no-pictures")
    set(extra --no-pictures)
  endif()
  execute_process(COMMAND "${SIM}" ${options} --keys "${KEYS}" --trace "${WORK}/${mode}.jsonl" ${extra}
                  WORKING_DIRECTORY "${GAME_DIR}" RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "sim ${options} ${extra} failed (${rc}): ${out}")
  endif()
  if(NOT out MATCHES "message boxes: 0")
    message(FATAL_ERROR "the pictures were not all there: ${out}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${dir}/${trace}" "${WORK}/${mode}.jsonl"
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${trace} differs from the ${mode} run")
  endif()
endforeach()
message(STATUS "${trace}: the same with and without pictures")
