# Installs the program with its launcher, its data, its help page and its menu
# entry:
#   PREFIX/bin/ornival-oiseaux           the launcher (fills the run folder, starts the program)
#   PREFIX/libexec/ornival/ornival       the program, which reads its files from the current folder
#   PREFIX/share/ornival/                the shipped files and the help page with its pictures
#   PREFIX/share/applications/ornival.desktop
include(GNUInstallDirs)

set(ORNIVAL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/ornival)

if(TARGET ornival)
  install(TARGETS ornival RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/ornival)
endif()
if(TARGET ornival-compter)
  install(TARGETS ornival-compter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/ornival-launch.sh
  DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ornival-oiseaux)
install(FILES
  "${PROJECT_SOURCE_DIR}/data/vol de cigognes.jpg"
  ${PROJECT_SOURCE_DIR}/data/fleche.bmp
  ${PROJECT_SOURCE_DIR}/data/ornival0.ini
  ${PROJECT_SOURCE_DIR}/data/blocs_couleurs0.bmp
  ${PROJECT_SOURCE_DIR}/data/aide.html
  DESTINATION ${ORNIVAL_INSTALL_DATADIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/aide/
  DESTINATION ${ORNIVAL_INSTALL_DATADIR}/aide
  FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/data/ornival.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
