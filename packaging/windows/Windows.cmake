# The Windows installation: the programs, the Qt libraries and plugins they load and the MinGW
# runtime in bin/ (the system looks for a program's libraries beside it first, and Qt for its
# plugins in folders beside the program), the catalogue and demo files in share/kelvatrone/,
# as on Linux. CPack makes the NSIS installer and the portable zip from it (scripts/windows).
#
#   bin/                      kelvatrone.exe, kelvatrone-cli.exe, kelvatrone-chart.exe, the DLLs
#   bin/platforms/ ...        the Qt plugins, one folder per kind
#   share/kelvatrone/         models.txt and the demo files
#   share/doc/kelvatrone/     copyright, changelog

# No deployment tool runs in this direction: the files come from runtime-files.txt, one list
# for the installation and for the test that checks it against what the programs load.
set(KV_WIN_QT_PREFIX "" CACHE PATH "The Qt for Windows the programs are built with")
if(NOT KV_WIN_QT_PREFIX)
  get_filename_component(KV_WIN_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
endif()
set(KV_RUNTIME_LIST ${CMAKE_CURRENT_LIST_DIR}/runtime-files.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KV_RUNTIME_LIST})
file(STRINGS ${KV_RUNTIME_LIST} _kv_runtime REGEX "^[a-z]+:")
set(KV_RUNTIME_MISSING "")
foreach(entry IN LISTS _kv_runtime)
  string(REGEX REPLACE "[ \t]*#.*$" "" entry "${entry}")
  string(REGEX MATCH "^([a-z]+):(.*)$" _ "${entry}")
  set(kind ${CMAKE_MATCH_1})
  set(path ${CMAKE_MATCH_2})
  if(kind STREQUAL "qt")
    set(file ${KV_WIN_QT_PREFIX}/${path})
    # bin/X.dll goes to bin/; plugins/KIND/X.dll to bin/KIND/.
    if(path MATCHES "^plugins/([^/]+)/")
      set(dest ${CMAKE_INSTALL_BINDIR}/${CMAKE_MATCH_1})
    else()
      set(dest ${CMAKE_INSTALL_BINDIR})
    endif()
  elseif(kind STREQUAL "mingw")
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${path}
                    OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(dest ${CMAKE_INSTALL_BINDIR})
  else()
    message(FATAL_ERROR "${KV_RUNTIME_LIST}: unknown kind '${kind}' in '${entry}'")
  endif()
  if(NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}")
    list(APPEND KV_RUNTIME_MISSING "${entry}")
    continue()
  endif()
  install(FILES ${file} DESTINATION ${dest})
endforeach()
if(KV_RUNTIME_MISSING)
  message(FATAL_ERROR "Files of ${KV_RUNTIME_LIST} are not there: ${KV_RUNTIME_MISSING}")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/packaging/changelog
        DESTINATION ${KV_DOC_DIR})

# The check of the list: everything installed loads only what is installed beside it or what
# Windows itself has (tests/windows/check-runtime.cmake). It runs on the building machine.
find_program(KV_MINGW_OBJDUMP NAMES x86_64-w64-mingw32-objdump)
if(KV_MINGW_OBJDUMP)
  add_test(NAME packaging.windows_runtime_files
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DOBJDUMP=${KV_MINGW_OBJDUMP}
                   -DQT_PREFIX=${KV_WIN_QT_PREFIX} -DCOMPILER=${CMAKE_CXX_COMPILER}
                   -P ${PROJECT_SOURCE_DIR}/tests/windows/check-runtime.cmake)
  set_tests_properties(packaging.windows_runtime_files PROPERTIES LABELS packaging TIMEOUT 300)
endif()

# --- The installer and the portable zip ----------------------------------------------------
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Kelvatrone)
set(CPACK_PACKAGE_VENDOR "The Kelvatrone developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for TV and cable field-strength meters")
set(CPACK_PACKAGE_FILE_NAME Kelvatrone-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kelvatrone)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kelvatrone)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The Start menu entry starts bin/kelvatrone.exe under the name "Kelvatrone".
set(CPACK_PACKAGE_EXECUTABLES kelvatrone Kelvatrone)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME Kelvatrone)
set(CPACK_NSIS_PACKAGE_NAME "Kelvatrone ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\\\kelvatrone.exe)
# An installation over an older one replaces it without asking (also when run with /S).
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# A 64-bit installer for a 64-bit program (NSIS makes 32-bit ones unless told otherwise): it
# runs where no 32-bit subsystem is installed, and sees the 64-bit Program Files and registry.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
include(CPack)
