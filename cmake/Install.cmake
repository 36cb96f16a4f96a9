# Installs the programs with the launcher, the data, the help page, the menu
# entry with its icon, the AppStream metainfo and the manual pages:
#   PREFIX/bin/ornival-oiseaux           the launcher (fills the run folder, starts the program)
#   PREFIX/bin/ornival-compter           the batch counter
#   PREFIX/bin/ornival-precision         the accuracy report on the shipped flocks
#   PREFIX/libexec/ornival/ornival       the program, which reads its files from the current folder
#   PREFIX/share/ornival/                the shipped files, the test flocks and the help page
#   PREFIX/share/applications/ornival.desktop
#   PREFIX/share/icons/hicolor/*/apps/ornival.{png,svg}
#   PREFIX/share/metainfo/org.ornival.oiseaux.metainfo.xml
#   PREFIX/share/man/man1/*.1.gz
#   PREFIX/share/doc/ornival/            copyright and changelog
include(GNUInstallDirs)

set(ORNIVAL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/ornival)
# Folders made by the install are readable by all, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(TARGET ornival)
  install(TARGETS ornival RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/ornival)
endif()
foreach(program ornival-compter ornival-precision)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/ornival-launch.sh
  DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ornival-oiseaux)
install(FILES
  "${PROJECT_SOURCE_DIR}/data/vol de cigognes.jpg"
  "${PROJECT_SOURCE_DIR}/data/vol de cigognes.txt"
  ${PROJECT_SOURCE_DIR}/data/fleche.bmp
  ${PROJECT_SOURCE_DIR}/data/ornival0.ini
  ${PROJECT_SOURCE_DIR}/data/blocs_couleurs0.bmp
  ${PROJECT_SOURCE_DIR}/data/aide.html
  DESTINATION ${ORNIVAL_INSTALL_DATADIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/aide/
  DESTINATION ${ORNIVAL_INSTALL_DATADIR}/aide
  FILES_MATCHING PATTERN "*.png")
# The test flocks with their truth and sample sets, for ornival-precision.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/flocks/
  DESTINATION ${ORNIVAL_INSTALL_DATADIR}/flocks
  FILES_MATCHING PATTERN "*.jpg" PATTERN "*.txt" PATTERN "*.ini" PATTERN "*.bmp")
install(FILES ${PROJECT_SOURCE_DIR}/data/ornival.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
configure_file(${PROJECT_SOURCE_DIR}/data/ornival.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/org.ornival.oiseaux.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/org.ornival.oiseaux.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The changelog is shipped compressed without a time stamp, so the same
# sources give the same file.
set(ornival_changelog ${PROJECT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${ornival_changelog}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/doc/changelog
  COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/doc/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${ornival_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${ornival_changelog}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ornival)

include(${CMAKE_CURRENT_LIST_DIR}/Manual.cmake)
