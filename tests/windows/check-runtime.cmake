# Checks packaging/windows/runtime-files.txt against what the installed Windows programs load:
#  - every DLL that an installed program or library imports is installed beside it, or is
#    Windows' own (found neither in the Qt for Windows nor in the MinGW runtime);
#  - every DLL of the list is loaded by something installed (the list holds nothing stale);
#  - the plugins the program loads by name at run time are there.
# Run by CTest on the building machine: cmake -DBUILD_DIR=... -DOBJDUMP=... -DQT_PREFIX=...
# -DCOMPILER=... -P check-runtime.cmake
cmake_minimum_required(VERSION 3.25)
foreach(v BUILD_DIR OBJDUMP QT_PREFIX COMPILER)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "check-runtime.cmake needs -D${v}=")
  endif()
endforeach()

set(root ${BUILD_DIR}/check-runtime-install)
file(REMOVE_RECURSE ${root})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${root}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

file(GLOB_RECURSE binaries ${root}/*.exe ${root}/*.dll)
set(installed "")
foreach(b IN LISTS binaries)
  get_filename_component(name ${b} NAME)
  string(TOLOWER ${name} name)
  list(APPEND installed ${name})
endforeach()

set(failures "")
set(loaded "")
foreach(b IN LISTS binaries)
  execute_process(COMMAND ${OBJDUMP} -p ${b} OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(APPEND failures "${b}: objdump cannot read it")
    continue()
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  file(RELATIVE_PATH shown ${root} ${b})
  foreach(line IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER ${dll} lower)
    list(APPEND loaded ${lower})
    if(lower IN_LIST installed)
      continue()
    endif()
    # Not installed: fine only when it is Windows' own.
    execute_process(COMMAND ${COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE from_mingw
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(EXISTS ${QT_PREFIX}/bin/${dll} OR IS_ABSOLUTE "${from_mingw}")
      list(APPEND failures "${shown} loads ${dll}, which is not installed")
    endif()
  endforeach()
endforeach()

# Libraries of the list that nothing loads (plugins are loaded by name, not imported).
file(GLOB top_dlls ${root}/bin/*.dll)
foreach(d IN LISTS top_dlls)
  get_filename_component(name ${d} NAME)
  string(TOLOWER ${name} lower)
  if(NOT lower IN_LIST loaded)
    list(APPEND failures "bin/${name} is installed but nothing installed loads it")
  endif()
endforeach()

# Loaded by name: the window system, the style, the archive's database, and the picture
# formats a logo may come in (PNG and BMP are built into Qt).
foreach(plugin platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll
               imageformats/qjpeg.dll imageformats/qgif.dll)
  if(NOT EXISTS ${root}/bin/${plugin})
    list(APPEND failures "the plugin bin/${plugin} is not installed")
  endif()
endforeach()

list(LENGTH binaries count)
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "packaging/windows/runtime-files.txt does not match what the programs load:\n  ${text}")
endif()
message(STATUS "${count} programs and libraries installed; each loads only what is installed or Windows' own")
