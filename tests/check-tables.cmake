# Runs each table generator into OUT and compares its header with the one in the tree.
file(MAKE_DIRECTORY ${OUT})
foreach(pair "gen_layer3_tables.py;mpeg_layer3_tables.h" "gen_mpeg12_tables.py;mpeg_tables12.h")
  list(GET pair 0 gen)
  list(GET pair 1 header)
  execute_process(COMMAND ${PYTHON} ${SRC}/sound/tables/${gen} ${SRC}/sound/tables/mpeg ${OUT}/${header}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${gen} failed (${rc})")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${header} ${SRC}/sound/${header}
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    message(FATAL_ERROR "sound/${header} is not what sound/tables/${gen} makes of sound/tables/mpeg: run it again")
  endif()
endforeach()
