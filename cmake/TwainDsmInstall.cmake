# Installation for the TWAIN Working Group's Linux source manager (the
# component twain-dsm): that manager lists every regular file whose name
# contains ".ds" under /usr/local/lib/twain/, so KORVEX32.ds goes, as a real
# file, into a folder of its own there, with the ASPI manager it loads beside
# it (the source looks for "WNASPI32.DLL", wnaspi32.so, in its own folder
# first). Build first, then:
#   cmake --install build/host --component twain-dsm --prefix /usr/local
# KORVEX_ASPI_MANAGER chooses that wnaspi32.so: "virtual" (the virtual
# scanner, the default) or "passthrough" (real scanners over the kernel's
# SCSI generic driver, the target korvex_aspi_sg).
if(KORVEX_WIN32)
  return()
endif()

set(KORVEX_ASPI_MANAGER "virtual" CACHE STRING
    "The ASPI manager installed beside KORVEX32.ds: virtual or passthrough")
set_property(CACHE KORVEX_ASPI_MANAGER PROPERTY STRINGS virtual passthrough)
set(KORVEX_TWAIN_DS_DIR "lib/twain/korvex" CACHE STRING
    "Folder of KORVEX32.ds under the install prefix (the manager searches /usr/local/lib/twain)")

if(KORVEX_ASPI_MANAGER STREQUAL "virtual")
  set(korvex_installed_aspi wnaspi32)
elseif(KORVEX_ASPI_MANAGER STREQUAL "passthrough")
  if(NOT TARGET korvex_aspi_sg)
    message(FATAL_ERROR "KORVEX_ASPI_MANAGER=passthrough needs the SG_IO ASPI manager "
                        "(target korvex_aspi_sg), which this tree does not build; "
                        "use KORVEX_ASPI_MANAGER=virtual")
  endif()
  set(korvex_installed_aspi korvex_aspi_sg)
else()
  message(FATAL_ERROR "KORVEX_ASPI_MANAGER is \"${KORVEX_ASPI_MANAGER}\"; "
                      "it must be virtual or passthrough")
endif()

install(PROGRAMS $<TARGET_FILE:KORVEX32> DESTINATION ${KORVEX_TWAIN_DS_DIR}
        COMPONENT twain-dsm EXCLUDE_FROM_ALL)
install(PROGRAMS $<TARGET_FILE:${korvex_installed_aspi}> DESTINATION ${KORVEX_TWAIN_DS_DIR}
        RENAME wnaspi32.so COMPONENT twain-dsm EXCLUDE_FROM_ALL)

if(BUILD_TESTING)
  add_test(NAME twain_dsm_install
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                   -DPREFIX=${CMAKE_BINARY_DIR}/twain-dsm-install -DDS_DIR=${KORVEX_TWAIN_DS_DIR}
                   -DBUILT_DS=$<TARGET_FILE:KORVEX32>
                   -DBUILT_ASPI=$<TARGET_FILE:${korvex_installed_aspi}>
                   -P ${CMAKE_CURRENT_LIST_DIR}/TwainDsmInstallCheck.cmake)
endif()
