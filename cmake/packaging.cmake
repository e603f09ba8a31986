# What makes Scrivelander a proper program on both desktops: the version
# resource and manifest of the .exe, the sample entries beside the sample
# form, the icon for Linux desktops, and the Windows zip (target "dist").

# The version lives in resources/version.h, for the resource and the zip.
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/version.h VERSION_LINE REGEX "ScrivelanderVersionText")
string(REGEX MATCH "\"([0-9.]+)\"" _ ${VERSION_LINE})
set(SCRIVELANDER_VERSION ${CMAKE_MATCH_1})

target_sources(Scrivelander PRIVATE resources/version.rc)
set_source_files_properties(resources/version.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/version.h;${CMAKE_SOURCE_DIR}/resources/scrivelander.manifest")
# A 600-dpi colour form needs more than 2 GB of address space on 64-bit
# Windows, which gives a large-address-aware 32-bit program 4 GB.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(Scrivelander PRIVATE -Wl,--large-address-aware)
endif()

find_program(PYTHON3 python3 REQUIRED)
find_program(IMAGEMAGICK_CONVERT convert REQUIRED)

# The sample form's entries, made beside it, so the sample opens filled in.
set(SAMPLE_ENTRIES ${CMAKE_BINARY_DIR}/sample/sample-form.dta)
set(SAMPLE_ENTRIES_TOOL ${CMAKE_SOURCE_DIR}/tools/make_sample_entries.py)
add_custom_command(OUTPUT ${SAMPLE_ENTRIES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/sample
  COMMAND ${PYTHON3} ${SAMPLE_ENTRIES_TOOL} ${SAMPLE_ENTRIES}
  DEPENDS ${SAMPLE_ENTRIES_TOOL}
  COMMENT "Writing the sample form's entries")
add_custom_target(sample_entries ALL DEPENDS ${SAMPLE_ENTRIES})

# The program icon as PNGs, for the desktop entry `make install` installs.
set(DESKTOP_ICONS)
foreach(frame_size 0:32x32 1:16x16)
  string(REPLACE ":" ";" frame_size ${frame_size})
  list(GET frame_size 0 frame)
  list(GET frame_size 1 size)
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}/scrivelander.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${IMAGEMAGICK_CONVERT} "${CMAKE_SOURCE_DIR}/resources/scrivelander.ico[${frame}]" PNG32:${icon}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/scrivelander.ico
    COMMENT "Making the ${size} desktop icon")
  list(APPEND DESKTOP_ICONS ${icon})
endforeach()
add_custom_target(desktop_icons ALL DEPENDS ${DESKTOP_ICONS})

# The Windows zip: the program, a short plain-text README for Windows users
# (CR LF line ends, as Notepad shows them), the sample form and its entries
# in one folder. The entries are made afresh, so entries changed while
# trying the sample out (make run) are not shipped.
set(DIST_NAME Scrivelander-${SCRIVELANDER_VERSION})
set(DIST_FOLDER ${CMAKE_BINARY_DIR}/dist/${DIST_NAME})
set(DIST_ZIP ${CMAKE_BINARY_DIR}/${DIST_NAME}-win32.zip)
# The zip holds the 32-bit program. A 64-bit build (made to run the tests on
# a machine that can't run 32-bit code) builds it beside itself.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  include(ExternalProject)
  ExternalProject_Add(program_win32
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/win32
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
               -DSCRIVELANDER_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/win32 --target Scrivelander --parallel 2
    BUILD_ALWAYS ON
    EXCLUDE_FROM_ALL ON
    INSTALL_COMMAND "")
  set(DIST_PROGRAM ${CMAKE_BINARY_DIR}/win32/Scrivelander.exe)
  set(DIST_PROGRAM_TARGET program_win32)
else()
  set(DIST_PROGRAM $<TARGET_FILE:Scrivelander>)
  set(DIST_PROGRAM_TARGET Scrivelander)
endif()
add_custom_command(OUTPUT ${DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/dist ${DIST_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E copy ${DIST_PROGRAM} ${SAMPLE_FORM} ${DIST_FOLDER}
  COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/crlf.py ${CMAKE_SOURCE_DIR}/docs/windows-readme.txt ${DIST_FOLDER}/README.txt
  COMMAND ${PYTHON3} ${SAMPLE_ENTRIES_TOOL} ${DIST_FOLDER}/sample-form.dta
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/dist
          ${CMAKE_COMMAND} -E tar cf ${DIST_ZIP} --format=zip ${DIST_NAME}
  DEPENDS ${DIST_PROGRAM_TARGET} ${SAMPLE_FORM} ${CMAKE_SOURCE_DIR}/docs/windows-readme.txt ${SAMPLE_ENTRIES_TOOL}
  COMMENT "Writing ${DIST_ZIP}")
add_custom_target(dist DEPENDS ${DIST_ZIP})
