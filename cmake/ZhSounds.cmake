# The program's own sounds in its data folder: the board sounds synthesised by
# tools/gen_board_sounds.cpp into sounds/board, and the fragments of spoken moves,
# spoken with espeak-ng from data/src/notation_words.tsv into
# sounds/<Language>/notation (one command per language, run in parallel).
set(ZH_SOUNDS_DIR ${ZH_OUTPUT_DIR}/data/sounds CACHE INTERNAL "The program's sounds folder")

add_executable(zh_gen_board_sounds ${PROJECT_SOURCE_DIR}/tools/gen_board_sounds.cpp)
set_target_properties(zh_gen_board_sounds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(_zh_board_stamp ${CMAKE_BINARY_DIR}/sounds/board.stamp)
add_custom_command(
  OUTPUT ${_zh_board_stamp}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zh_gen_board_sounds> ${ZH_SOUNDS_DIR}/board
  COMMAND ${CMAKE_COMMAND} -E touch ${_zh_board_stamp}
  DEPENDS zh_gen_board_sounds
  COMMENT "Synthesising the board sounds")
set(_zh_sound_stamps ${_zh_board_stamp})

find_program(ZH_ESPEAK espeak-ng)
find_program(ZH_PYTHON3_SOUNDS python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(_zh_words ${PROJECT_SOURCE_DIR}/data/src/notation_words.tsv)
set(_zh_speaker ${PROJECT_SOURCE_DIR}/tools/gen_notation_sounds.py)
set(ZH_SPOKEN_LANGUAGES English Deutsch Francais Espanol Italiano Nederlnd Slovenia)
if(ZH_ESPEAK AND ZH_PYTHON3_SOUNDS)
  foreach(_lang ${ZH_SPOKEN_LANGUAGES})
    set(_stamp ${CMAKE_BINARY_DIR}/sounds/${_lang}.stamp)
    add_custom_command(
      OUTPUT ${_stamp}
      COMMAND ${ZH_PYTHON3_SOUNDS} ${_zh_speaker} ${ZH_ESPEAK} ${_zh_words} ${_lang}
              ${ZH_SOUNDS_DIR} ${_stamp}
      DEPENDS ${_zh_words} ${_zh_speaker} ${ZH_ESPEAK}
      COMMENT "Speaking the move fragments (${_lang})")
    list(APPEND _zh_sound_stamps ${_stamp})
  endforeach()
  set(ZH_HAVE_SPOKEN_NOTATION ON CACHE INTERNAL "The spoken move fragments are made")
else()
  message(WARNING "espeak-ng not found: the spoken move fragments are not made")
  set(ZH_HAVE_SPOKEN_NOTATION OFF CACHE INTERNAL "The spoken move fragments are made")
endif()
add_custom_target(zh_sounds ALL DEPENDS ${_zh_sound_stamps})
