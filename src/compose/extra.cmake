# The pictogram font: the i-mode pictogram code points mapped to the colour
# emoji they stand for, cut out of Noto Color Emoji at build time and embedded
# in the program as a resource.
set(ZARVEL_NOTO_EMOJI /usr/share/fonts/truetype/noto/NotoColorEmoji.ttf)
set(ZARVEL_EMOJI_SOURCES /usr/share/unicode/EmojiSources.txt)
set(ZARVEL_SYSTEM_PYTHON /usr/bin/python3)

if(NOT EXISTS ${ZARVEL_NOTO_EMOJI})
  message(FATAL_ERROR "${ZARVEL_NOTO_EMOJI} is missing: install the Debian package "
                      "fonts-noto-color-emoji (scripts/install-deps does).")
endif()
if(NOT EXISTS ${ZARVEL_EMOJI_SOURCES})
  message(FATAL_ERROR "${ZARVEL_EMOJI_SOURCES} is missing: install the Debian package "
                      "unicode-data (scripts/install-deps does).")
endif()
execute_process(COMMAND ${ZARVEL_SYSTEM_PYTHON} -c "import fontTools"
                RESULT_VARIABLE fonttools_missing OUTPUT_QUIET ERROR_QUIET)
if(fonttools_missing)
  message(FATAL_ERROR "${ZARVEL_SYSTEM_PYTHON} cannot import fontTools: install the Debian "
                      "package python3-fonttools (scripts/install-deps does).")
endif()

# Pictures for the carrier logos that Unicode has no emoji for.
add_executable(make_pictogram_badges ${CMAKE_SOURCE_DIR}/tools/make_pictogram_badges.cpp)
target_link_libraries(make_pictogram_badges PRIVATE Qt6::Gui)

set(pictogram_font ${CMAKE_BINARY_DIR}/generated/pictograms.ttf)
set(pictogram_badges ${CMAKE_BINARY_DIR}/generated/pictogram_badges)
add_custom_command(
  OUTPUT ${pictogram_font}
  # Sanitizer builds: the leak checker would fail the tool on the font
  # libraries' caches, which live until exit on purpose.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:make_pictogram_badges> ${pictogram_badges}
  COMMAND ${ZARVEL_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tools/make_pictogram_font.py
          --noto ${ZARVEL_NOTO_EMOJI} --sources ${ZARVEL_EMOJI_SOURCES}
          --badges ${pictogram_badges} --output ${pictogram_font}
  DEPENDS make_pictogram_badges ${CMAKE_SOURCE_DIR}/tools/make_pictogram_font.py
          ${ZARVEL_NOTO_EMOJI} ${ZARVEL_EMOJI_SOURCES}
  COMMENT "Building the pictogram font"
  VERBATIM)

# Uncompressed: the glyphs are PNG already, and the program can then use the
# embedded bytes as they are.
qt_add_resources(zarvel_compose pictogram_font
  PREFIX /zarvel
  BASE ${CMAKE_BINARY_DIR}/generated
  OPTIONS -no-compress
  FILES ${pictogram_font})
target_link_libraries(zarvel_compose PUBLIC Qt6::Gui)
