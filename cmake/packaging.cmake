# A Debian package of what `cmake --install` puts in place: `cpack -G DEB` in the build
# directory makes tarvo_<version>_<arch>.deb for `apt install ./tarvo_*.deb`.
set(CPACK_PACKAGE_NAME tarvo)
set(CPACK_PACKAGE_VENDOR "Tarvo developers")
set(CPACK_PACKAGE_CONTACT "Tarvo developers <tarvo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small network traffic meter with an Arabic interface")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "A narrow strip window, normally above all others, that shows once a second"
  "the download and upload rate, the running totals of received and sent data"
  "and the average rate of the last full minute. It also shows the date in the"
  "Gregorian and Hijri calendars and has a small RSS news reader.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Shared libraries are found by dpkg-shlibdeps; these are what the program loads or runs
# without linking: the X11 platform plugin, the SQLite driver of the usage history, fonts that cover Arabic, Qt's Arabic
# translations and the desktop's default-browser tools.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, libqt6sql6-sqlite, qt6-translations-l10n, fonts-liberation, fonts-noto-core, fonts-dejavu-core, xdg-utils")

include(CPack)
