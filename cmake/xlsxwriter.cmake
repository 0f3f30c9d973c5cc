# libxlsxwriter, which writes the listing as a workbook: the target `xlsxwriter`.
#
# Both builds compile the version of libxlsxwriter-dev installed here from Debian's own
# source package (fetched by `apt-get source`, which needs the deb-src entry that
# scripts/setup adds), statically, with the bundled minizip, so that Linux and Windows
# write the workbook with the same code built the same way. Debian has the library for
# Linux only; and its build packs the workbook at zlib's default level, on one thread, and
# formats each number with printf, which took about half of the 0.89 s a workbook of
# 200,000 files took (see listing/xlsxwriter_packager.c and USE_DTOA_LIBRARY below). The
# sources are fetched once into the build folder and the library is built there with the
# rest.
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
# The packager is compiled through a file of ours that sets its compression level and
# deflates on several threads.
list(REMOVE_ITEM xlsx_sources ${xlsx_source}/src/packager.c)
if(WIN32)
  list(APPEND xlsx_sources ${xlsx_source}/third_party/minizip/iowin32.c)
endif()
add_library(xlsxwriter STATIC ${xlsx_sources}
  ${xlsx_source}/third_party/minizip/ioapi.c
  ${xlsx_source}/third_party/minizip/zip.c
  ${xlsx_source}/third_party/tmpfileplus/tmpfileplus.c
  ${xlsx_source}/third_party/md5/md5.c
  ${xlsx_source}/third_party/dtoa/emyg_dtoa.c)
# As the library's own build defines them. USE_DTOA_LIBRARY writes numbers with its
# bundled shortest round-trip formatting instead of printf's "%.16G": a 200,000-file
# workbook has 400,000 numbers (sizes and dates), and printf's exact decimal conversion
# of them was a tenth of the time. It is also the same whatever the C locale.
target_compile_definitions(xlsxwriter PRIVATE NOCRYPT NOUNCRYPT USE_DTOA_LIBRARY)
target_include_directories(xlsxwriter SYSTEM PUBLIC ${xlsx_source}/include)
target_include_directories(xlsxwriter PRIVATE ${xlsx_source}/src)
# Someone else's code (and our packager, which is mostly its): no warnings, and built
# optimised without the sanitizers of the asan build (it is not ours to mend, as the
# system's library was not). parallel_deflate.cpp is built as the rest of the program.
get_directory_property(own_options COMPILE_OPTIONS)
get_target_property(library_sources xlsxwriter SOURCES)
set_source_files_properties(${library_sources} ${CMAKE_SOURCE_DIR}/listing/xlsxwriter_packager.c
                            PROPERTIES COMPILE_OPTIONS "-w;-O2")
set_target_properties(xlsxwriter PROPERTIES COMPILE_OPTIONS "")
target_sources(xlsxwriter PRIVATE ${CMAKE_SOURCE_DIR}/listing/xlsxwriter_packager.c
                                  ${CMAKE_SOURCE_DIR}/listing/parallel_deflate.cpp)
set_source_files_properties(${CMAKE_SOURCE_DIR}/listing/parallel_deflate.cpp
                            PROPERTIES COMPILE_OPTIONS "${own_options}")
find_package(Threads REQUIRED)
target_link_libraries(xlsxwriter PUBLIC Threads::Threads)

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # As the library's own build defines it for a static MinGW library.
  target_compile_definitions(xlsxwriter PRIVATE USE_FILE32API)
  # libz-mingw-w64-dev's static zlib: the program needs no DLL beside it.
  target_link_libraries(xlsxwriter PUBLIC /usr/${TOLVANE_MINGW_PREFIX}/lib/libz.a)
else()
  find_package(ZLIB REQUIRED)
  target_link_libraries(xlsxwriter PUBLIC ZLIB::ZLIB)
endif()
