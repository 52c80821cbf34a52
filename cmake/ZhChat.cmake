# The coach's chat scripts: the event numbers generated from data/Chatter/ChatDefs.inc
# into coach/chat_events.h, and the build step that checks the script sources with
# the program's parser (zh_chatcheck), scrambles them into the data folder and speaks
# the talk data with espeak-ng.
set(_zh_chat_defs ${PROJECT_SOURCE_DIR}/data/Chatter/ChatDefs.inc)
set(_zh_chat_header ${CMAKE_BINARY_DIR}/generated/coach/chat_events.h)
add_custom_command(
  OUTPUT ${_zh_chat_header}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/gen_chat_events.py ${_zh_chat_defs}
          ${_zh_chat_header}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/gen_chat_events.py ${_zh_chat_defs}
  COMMENT "Generating the coach's event numbers"
  VERBATIM)
add_custom_target(zh_chat_events DEPENDS ${_zh_chat_header})
add_dependencies(zh_coach zh_chat_events)
target_include_directories(zh_coach PUBLIC ${CMAKE_BINARY_DIR}/generated)

add_executable(zh_chatcheck ${PROJECT_SOURCE_DIR}/tools/chatcheck.cpp)
target_link_libraries(zh_chatcheck PRIVATE zh_coach)
set_target_properties(zh_chatcheck PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

file(GLOB_RECURSE _zh_chat_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/src/chat/*)
set(_zh_opening_tables)
foreach(_letter a b c d e)
  list(APPEND _zh_opening_tables ${ZH_OPENINGS_DIR}/${_letter}.tsv)
endforeach()
set(_zh_chat_stamp ${CMAKE_BINARY_DIR}/chat/scripts.stamp)
set(_zh_chat_espeak)
if(ZH_ESPEAK)
  set(_zh_chat_espeak --espeak ${ZH_ESPEAK})
else()
  message(WARNING "espeak-ng not found: the coach's talk data has no wave files")
endif()
add_custom_command(
  OUTPUT ${_zh_chat_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/chat
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/build_chat_scripts.py
          --check $<TARGET_FILE:zh_chatcheck> --source ${PROJECT_SOURCE_DIR}/data/src/chat
          --symbols ${_zh_chat_defs} --openings ${ZH_OPENINGS_DIR} --out ${ZH_OUTPUT_DIR}/data
          ${_zh_chat_espeak} --stamp ${_zh_chat_stamp}
  DEPENDS zh_chatcheck ${PROJECT_SOURCE_DIR}/tools/build_chat_scripts.py
          ${PROJECT_SOURCE_DIR}/tools/gen_messages.py ${_zh_chat_defs} ${_zh_chat_sources}
          ${_zh_opening_tables}
  COMMENT "Checking and scrambling the chat scripts, speaking the talk data"
  VERBATIM)
add_custom_target(zh_chat_scripts ALL DEPENDS ${_zh_chat_stamp})
