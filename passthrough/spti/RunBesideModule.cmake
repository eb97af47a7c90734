# Runs a Windows program from a folder of its own with an ASPI manager module
# beside it as WNASPI32.DLL, so that the source the program opens loads that
# manager, and checks the run as RunUnderWine.cmake does.
# -DMODULE=... -DFOLDER=... and the arguments of RunUnderWine.cmake.
file(MAKE_DIRECTORY "${FOLDER}")
get_filename_component(name "${PROGRAM}" NAME)
file(COPY_FILE "${PROGRAM}" "${FOLDER}/${name}")
file(COPY_FILE "${MODULE}" "${FOLDER}/WNASPI32.DLL")
set(PROGRAM "${FOLDER}/${name}")
include(${CMAKE_CURRENT_LIST_DIR}/../../tests/win32/RunUnderWine.cmake)
