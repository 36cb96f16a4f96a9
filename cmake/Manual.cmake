# Manual pages made from each program's --help with help2man at build time, so
# they follow the programs' options. Without help2man (or in the checked and
# fuzzing builds, whose programs are not run at build time) there are none.
option(ORNIVAL_BUILD_MANUALS "Make the manual pages from --help (needs help2man)" ON)
find_program(ORNIVAL_HELP2MAN help2man)
set(ORNIVAL_MANUALS "")
if(ORNIVAL_BUILD_MANUALS AND ORNIVAL_HELP2MAN AND NOT ORNIVAL_SANITIZE AND NOT ORNIVAL_BUILD_FUZZERS)
  # ornival_manual(NAME PROGRAM SUMMARY FRENCH DEPENDS...)
  function(ornival_manual name program summary french)
    set(out ${PROJECT_BINARY_DIR}/man/${name}.1.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${ORNIVAL_HELP2MAN} -DPROGRAM=${program} -DNAME=${name}
              -DSUMMARY=${summary} -DVERSION=${PROJECT_VERSION} -DFRENCH=${french} -DOUT=${out}
              -P ${PROJECT_SOURCE_DIR}/cmake/MakeManual.cmake
      DEPENDS ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/MakeManual.cmake
      COMMENT "Making the manual page of ${name}"
      VERBATIM)
    set(ORNIVAL_MANUALS ${ORNIVAL_MANUALS} ${out} PARENT_SCOPE)
  endfunction()
  ornival_manual(ornival-oiseaux ${PROJECT_SOURCE_DIR}/scripts/ornival-launch.sh
    "start the window that counts the birds of a flock on a photo" OFF
    ${PROJECT_SOURCE_DIR}/scripts/ornival-launch.sh)
  if(TARGET ornival-compter)
    ornival_manual(ornival-compter $<TARGET_FILE:ornival-compter>
      "compte les oiseaux de nombreuses photos en un tableau CSV" ON ornival-compter)
  endif()
  if(TARGET ornival-precision)
    ornival_manual(ornival-precision $<TARGET_FILE:ornival-precision>
      "compare le compte des vols d'essai livrés à leur vrai nombre d'oiseaux" ON ornival-precision)
  endif()
  add_custom_target(manuals ALL DEPENDS ${ORNIVAL_MANUALS})
  install(FILES ${ORNIVAL_MANUALS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(ORNIVAL_BUILD_MANUALS AND NOT ORNIVAL_HELP2MAN)
  message(STATUS "help2man not found: no manual pages")
endif()
