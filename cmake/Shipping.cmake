# What is made for shipping besides the programs: the icons (from a desktop icon
# theme, at build time), the help file, the icons' licence, and the installer and
# portable zip of this architecture (tools/package.sh).
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
# The resources name their icons as icons/<file>.ico; they are found here.
include_directories(${GENERATED_DIR})

file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/icons.txt _icon_lines REGEX "^[A-Za-z0-9_]+\\.ico")
set(APP_ICONS)
foreach(_line IN LISTS _icon_lines)
  string(REGEX MATCH "^[^ \t]+" _ico "${_line}")
  list(APPEND APP_ICONS ${GENERATED_DIR}/icons/${_ico})
endforeach()
add_custom_command(OUTPUT ${APP_ICONS}
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/make-icons.sh ${CMAKE_SOURCE_DIR}/packaging/icons.txt ${GENERATED_DIR}/icons
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/icons.txt ${CMAKE_SOURCE_DIR}/tools/make-icons.sh
  COMMENT "Icons from the icon theme")
add_custom_target(app_icons DEPENDS ${APP_ICONS})

file(GLOB HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/* ${CMAKE_SOURCE_DIR}/help/images/*)
list(FILTER HELP_SOURCES EXCLUDE REGEX "/images$")
add_custom_command(OUTPUT ${DIST_DIR}/help.chm
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/make-help.sh ${CMAKE_SOURCE_DIR}/help ${CMAKE_BINARY_DIR}/help ${DIST_DIR}/help.chm
  DEPENDS ${HELP_SOURCES} ${CMAKE_SOURCE_DIR}/tools/make-help.sh ${CMAKE_SOURCE_DIR}/tools/chm-fulltext.py
  COMMENT "help.chm")
# The icons' licence: a short note and the icon theme's own copyright file.
set(ICONS_LICENSE ${DIST_DIR}/ICONS-LICENSE.txt)
add_custom_command(OUTPUT ${ICONS_LICENSE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E cat ${CMAKE_SOURCE_DIR}/packaging/ICONS-LICENSE.txt
          /usr/share/doc/adwaita-icon-theme/copyright > ${ICONS_LICENSE}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/ICONS-LICENSE.txt
  COMMENT "ICONS-LICENSE.txt")
add_custom_target(help_and_licence ALL DEPENDS ${DIST_DIR}/help.chm ${ICONS_LICENSE})
