# The program's background music: every ABC piece under data/src/music becomes a
# MIDI file at the same place under the data folder's "music" (abc2midi; any fault
# of a piece fails the build).
set(ZH_MUSIC_DIR ${ZH_OUTPUT_DIR}/data/music CACHE INTERNAL "The program's music folder")
find_program(ZH_ABC2MIDI abc2midi REQUIRED)
find_program(ZH_PYTHON3_MUSIC python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(_zh_music_src ${PROJECT_SOURCE_DIR}/data/src/music)
set(_zh_music_tool ${PROJECT_SOURCE_DIR}/tools/build_music.py)
file(GLOB_RECURSE _zh_pieces CONFIGURE_DEPENDS RELATIVE ${_zh_music_src} ${_zh_music_src}/*.abc)
set(_zh_midi_files)
foreach(_piece ${_zh_pieces})
  string(REGEX REPLACE "\\.abc$" ".mid" _midi ${_piece})
  add_custom_command(
    OUTPUT ${ZH_MUSIC_DIR}/${_midi}
    COMMAND ${ZH_PYTHON3_MUSIC} ${_zh_music_tool} ${ZH_ABC2MIDI} ${_zh_music_src}/${_piece}
            ${ZH_MUSIC_DIR}/${_midi}
    DEPENDS ${_zh_music_src}/${_piece} ${_zh_music_tool}
    COMMENT "Compiling the music piece ${_piece}")
  list(APPEND _zh_midi_files ${ZH_MUSIC_DIR}/${_midi})
endforeach()
add_custom_target(zh_music ALL DEPENDS ${_zh_midi_files})
