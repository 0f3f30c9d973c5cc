# tolvane-list.exe under Wine on a small tree: the listing's lines (dates aside, which
# follow Wine's locale) and the status of a listing file that cannot be opened.
#   cmake -DEMULATOR=... -DPROGRAM=...exe -DSCRATCH=folder -P wine_listing_test.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(WRITE "${SCRATCH}/tree/a b.txt" "abc")
file(WRITE "${SCRATCH}/tree/sub dir/c.DAT" "x")
# Wine's drive Z: is the Linux root.
string(REPLACE "/" "\\" scratch "Z:${SCRATCH}")

execute_process(COMMAND ${EMULATOR} ${PROGRAM} "${scratch}\\tree\\" -o "${scratch}\\out.txt"
                        --comment "Backup 1" -q
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "listing: status ${status}, errors: ${errors}")
endif()
# file(READ) drops carriage returns: the size tells that each of the three lines has one.
file(READ "${SCRATCH}/out.txt" listing)
file(SIZE "${SCRATCH}/out.txt" size)
string(LENGTH "${listing}" length)
string(REGEX REPLACE "\t[^\t]*[0-9]:[0-9][0-9][^\t]*\t" "\t<date>\t" listing "${listing}")
set(expected "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\n"
             "a b.txt\tTXT\t3\t<date>\t${scratch}\\tree\tA\tBackup 1\n"
             "c.DAT\tDAT\t1\t<date>\t${scratch}\\tree\\sub dir\tA\tBackup 1\n")
string(JOIN "" expected ${expected})
math(EXPR crlf_size "${length} + 3")
if(NOT listing STREQUAL expected OR NOT size EQUAL crlf_size)
  message(FATAL_ERROR "listing (${size} bytes):\n${listing}\nexpected:\n${expected}")
endif()

execute_process(COMMAND ${EMULATOR} ${PROGRAM} "${scratch}\\tree" -o "${scratch}\\none\\out.txt"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 3 OR NOT errors MATCHES "^Error in Make_Button_Click\r?\nError opening file: ")
  message(FATAL_ERROR "unwritable listing: status ${status}, errors: ${errors}")
endif()

# A filter that reaches into a folder is a usage that can list nothing: status 2, and the
# listing file is not touched. --help names every status, the stop by Ctrl-C among them.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} "${scratch}\\tree" -o "${scratch}\\refused.txt"
                        --filter "x\\*.txt"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 2 OR NOT errors MATCHES "A file filter names files only"
   OR EXISTS "${SCRATCH}/refused.txt")
  message(FATAL_ERROR "refused filter: status ${status}, errors: ${errors}")
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} --help OUTPUT_VARIABLE help)
if(NOT help MATCHES "130 stopped by Ctrl-C")
  message(FATAL_ERROR "--help:\n${help}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
