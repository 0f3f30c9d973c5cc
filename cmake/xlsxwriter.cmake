# libxlsxwriter, which writes the listing as a workbook: the target `xlsxwriter`.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Debian has the library for Linux only. The 32-bit Windows build compiles the version
  # installed here from Debian's own source package (fetched by `apt-get source`, which
  # needs the deb-src entry that scripts/setup adds), with the bundled minizip and
  # libz-mingw-w64-dev, statically. The sources are fetched once into the build folder and
  # the library is built there with the rest, so it is built once.
  set(xlsx_root ${CMAKE_BINARY_DIR}/libxlsxwriter)
  set(xlsx_source ${xlsx_root}/source)
  if(NOT EXISTS ${xlsx_source}/include/xlsxwriter.h)
    execute_process(COMMAND dpkg-query -W -f=\${source:Version} libxlsxwriter-dev
                    OUTPUT_VARIABLE xlsx_version RESULT_VARIABLE failed)
    if(failed OR xlsx_version STREQUAL "")
      message(FATAL_ERROR "libxlsxwriter-dev is not installed: run scripts/setup")
    endif()
    file(REMOVE_RECURSE ${xlsx_root})
    file(MAKE_DIRECTORY ${xlsx_root}/download)
    message(STATUS "Fetching the source of libxlsxwriter ${xlsx_version}")
    execute_process(COMMAND apt-get source --only-source libxlsxwriter=${xlsx_version}
                    WORKING_DIRECTORY ${xlsx_root}/download RESULT_VARIABLE failed
                    OUTPUT_QUIET)
    file(GLOB unpacked LIST_DIRECTORIES true ${xlsx_root}/download/libxlsxwriter-*)
    list(FILTER unpacked EXCLUDE REGEX "\\.(dsc|tar\\..*)$")
    if(failed OR NOT unpacked)
      message(FATAL_ERROR "apt-get source libxlsxwriter=${xlsx_version} failed: "
                          "scripts/setup adds the deb-src entry it needs")
    endif()
    file(RENAME ${unpacked} ${xlsx_source})
  endif()
  file(GLOB xlsx_sources ${xlsx_source}/src/*.c)
  add_library(xlsxwriter STATIC ${xlsx_sources}
    ${xlsx_source}/third_party/minizip/ioapi.c
    ${xlsx_source}/third_party/minizip/zip.c
    ${xlsx_source}/third_party/minizip/iowin32.c
    ${xlsx_source}/third_party/tmpfileplus/tmpfileplus.c
    ${xlsx_source}/third_party/md5/md5.c)
  # As the library's own build defines them for a static MinGW library.
  target_compile_definitions(xlsxwriter PRIVATE NOCRYPT NOUNCRYPT USE_FILE32API)
  target_compile_options(xlsxwriter PRIVATE -w)
  target_include_directories(xlsxwriter SYSTEM PUBLIC ${xlsx_source}/include)
  # The static zlib: the program needs no DLL beside it.
  target_link_libraries(xlsxwriter PUBLIC /usr/${TOLVANE_MINGW_PREFIX}/lib/libz.a)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET GLOBAL xlsxwriter)
  add_library(xlsxwriter ALIAS PkgConfig::XLSXWRITER)
endif()
