# Installs the built source into the Wine prefix of the test session as
# C:\windows\twain_32\sane.ds, one of the two file names Wine's TWAIN_32.DLL
# lists. -DSOURCE=path of KORVEX32.ds; the prefix comes from $WINEPREFIX.
if(NOT DEFINED ENV{WINEPREFIX})
  message(FATAL_ERROR "no Wine session: run the tests through scripts/wine-session.sh")
endif()
set(folder "$ENV{WINEPREFIX}/drive_c/windows/twain_32")
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${SOURCE}" "${folder}/sane.ds")
