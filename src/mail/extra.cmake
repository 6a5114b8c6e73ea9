# The i-mode pictogram -> emoji table is made from Debian's unicode-data at
# build time, so the program does not need the package at run time.
set(ZARVEL_EMOJI_SOURCES /usr/share/unicode/EmojiSources.txt)
set(ZARVEL_EMOJI_VARIATIONS /usr/share/unicode/emoji/emoji-variation-sequences.txt)
set(ZARVEL_EMOJI_TABLE ${CMAKE_BINARY_DIR}/generated/emoji_table.inc)
add_custom_command(
  OUTPUT ${ZARVEL_EMOJI_TABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/gen_emoji_table.py
          ${ZARVEL_EMOJI_SOURCES} ${ZARVEL_EMOJI_VARIATIONS} ${ZARVEL_EMOJI_TABLE}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gen_emoji_table.py ${ZARVEL_EMOJI_SOURCES} ${ZARVEL_EMOJI_VARIATIONS}
  COMMENT "Generating pictogram emoji table")
target_sources(zarvel_mail PRIVATE ${ZARVEL_EMOJI_TABLE})
