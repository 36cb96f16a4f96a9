# The Debian package, made by CPack from the install rules:
#   cmake --build build && (cd build && cpack -G DEB)   gives build/ornival_VERSION_ARCH.deb
# The libraries it depends on are found by dpkg-shlibdeps; only what the
# programs load or use without linking to it is named here: Qt's platform
# plugins, the window's font, and xdg-open for the help page.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ornival)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ornival developers")
set(CPACK_PACKAGE_CONTACT "The Ornival developers <ornival@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "count the birds of a flock on a photo")
# The summary above is the synopsis line; this is the long description.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Ornival d'oiseaux counts the birds of a flock in flight on a photo. The\n"
  "user drags three bird and three sky samples from the photo, the program\n"
  "separates the birds from the sky and counts every group of bird pixels as\n"
  "one bird or, above a two-bird threshold, as two; the count is then\n"
  "corrected by hand. The interface is in French.\n"
  "\n"
  "The package also holds ornival-compter, which counts photos and folders of\n"
  "photos into one CSV table with the same analysis (a survey can be spread\n"
  "over many machines with GNU parallel), and ornival-precision, which checks\n"
  "the count on the shipped test flocks.\n"
  "\n"
  "En français : Ornival d'oiseaux compte les oiseaux d'un vol sur une photo.\n"
  "On fait glisser trois échantillons d'oiseau et trois de ciel, le programme\n"
  "sépare les oiseaux du ciel et compte chaque groupe de pixels d'oiseau pour\n"
  "un oiseau ou, au-dessus d'un seuil, pour deux ; on corrige ensuite le\n"
  "compte à la main. ornival-compter compte des dossiers de photos en un\n"
  "tableau CSV, ornival-precision vérifie le compte sur les vols d'essai.")
include(CPack)
