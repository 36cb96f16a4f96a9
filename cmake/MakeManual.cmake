# Makes one gzipped manual page from a program's --help with help2man, at
# build time, so the page follows the program's options:
#   cmake -DHELP2MAN=... -DPROGRAM=... -DNAME=... -DSUMMARY=... -DVERSION=...
#         -DFRENCH=ON|OFF -DOUT=.../NAME.1.gz -P MakeManual.cmake
# A French help gets French headings and its "Utilisation :" line as the
# synopsis (help2man only knows the English "Usage:" without a French locale).
get_filename_component(dir ${OUT} DIRECTORY)
set(page ${dir}/${NAME}.1)
file(MAKE_DIRECTORY ${dir})
# help2man names the page after the file it runs.
file(COPY_FILE ${PROGRAM} ${dir}/${NAME})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
          ${HELP2MAN} --locale=C.UTF-8 --no-info --version-string=${VERSION} --name=ORNIVAL_SUMMARY --output=${page} ${dir}/${NAME}
  RESULT_VARIABLE result)
file(REMOVE ${dir}/${NAME})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
file(READ ${page} text)
# help2man would encode a non-ASCII summary twice: it goes in afterwards.
string(REPLACE "ORNIVAL_SUMMARY" "${SUMMARY}" text "${text}")
if(FRENCH)
  string(REPLACE "\"User Commands\"" "\"Commandes de l'utilisateur\"" text "${text}")
  string(REPLACE ".SH NAME\n" ".SH NOM\n" text "${text}")
  string(REGEX REPLACE "\\.SH DESCRIPTION\nUtilisation : ([^\n]*)\n(\\.PP\n)?"
         ".SH SYNOPSIS\n\\1\n.SH DESCRIPTION\n" text "${text}")
endif()
file(WRITE ${page} "${text}")
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${page}")
endif()
