# The message files and opening names, generated from data/messages.tsv and the
# opening lines, into the program's data folder; the message ids into a header.
# Targets that use message ids link zh_messages (include "app/message_ids.h").
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZH_OPENINGS_DIR "${PROJECT_SOURCE_DIR}/data/openings" CACHE PATH
    "Opening lines (eco, name, pgn tables a.tsv to e.tsv) that the opening names come from")

set(_zh_gen_dir ${CMAKE_BINARY_DIR}/generated)
set(_zh_table ${PROJECT_SOURCE_DIR}/data/messages.tsv)
set(_zh_tool ${PROJECT_SOURCE_DIR}/tools/gen_messages.py)
set(_zh_outputs ${_zh_gen_dir}/app/message_ids.h ${ZH_OUTPUT_DIR}/data/Messages/messages.inc)
foreach(_lang English Deutsch Francais Espanol Italiano Nederlnd Slovenia)
  list(APPEND _zh_outputs ${ZH_OUTPUT_DIR}/data/Messages/${_lang}/general.fms
                          ${ZH_OUTPUT_DIR}/data/Messages/${_lang}/openings.fms)
endforeach()
set(_zh_opening_tables)
foreach(_letter a b c d e)
  list(APPEND _zh_opening_tables ${ZH_OPENINGS_DIR}/${_letter}.tsv)
endforeach()

add_custom_command(
  OUTPUT ${_zh_outputs}
  COMMAND Python3::Interpreter ${_zh_tool} --table ${_zh_table} --openings ${ZH_OPENINGS_DIR}
          --out ${ZH_OUTPUT_DIR}/data --header ${_zh_gen_dir}/app/message_ids.h
  DEPENDS ${_zh_tool} ${_zh_table} ${_zh_opening_tables}
  COMMENT "Generating message files and opening names"
  VERBATIM)
add_custom_target(zh_message_files ALL DEPENDS ${_zh_outputs})

add_library(zh_messages INTERFACE)
target_include_directories(zh_messages INTERFACE ${_zh_gen_dir})
add_dependencies(zh_messages zh_message_files)

# Help pages, one folder per help file and one page per help id, beside the messages.
add_custom_target(zh_help_pages ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/data/help ${ZH_OUTPUT_DIR}/data/help
  COMMENT "Copying help pages")
add_dependencies(zh_messages zh_help_pages)
