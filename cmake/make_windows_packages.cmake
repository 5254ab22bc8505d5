# Makes the Windows installer, fennimar-setup-VERSION.exe (NSIS, from
# resources/windows/fennimar.nsi), and the portable fennimar-VERSION-windows.zip
# (the programs, the manual and README.txt in one folder) from what the
# Windows build made, into OUTPUT_DIR. The Linux joiner goes with them, so
# that a split onto a removable disk copies both joiners there, as on Linux.
#
#   cmake -DOUTPUT_DIR=DIR -P BUILD/windows_packages.cmake
# BUILD/windows_packages.cmake (written by cmake/windows_packages.cmake)
# names the programs, the version and the tools, then includes this file.
# Both packages are made from one staged copy, so they hold the same files.
foreach(name FENNIMAR_VERSION FENNIMAR_SOURCE_DIR FENNIMAR_GUI_EXE FENNIMAR_CLI_EXE
             FENNIMAR_JOINEX_EXE FENNIMAR_JOINEX FENNIMAR_MAKENSIS OUTPUT_DIR)
  if(NOT ${name})
    message(FATAL_ERROR "make_windows_packages.cmake: ${name} is not set")
  endif()
endforeach()
set(programs ${FENNIMAR_GUI_EXE} ${FENNIMAR_CLI_EXE} ${FENNIMAR_JOINEX_EXE})
foreach(program ${programs} ${FENNIMAR_JOINEX})
  if(NOT EXISTS ${program})
    message(FATAL_ERROR "${program} is not there: build the Windows programs first")
  endif()
endforeach()

set(folder fennimar-${FENNIMAR_VERSION}-windows)
set(zip ${OUTPUT_DIR}/${folder}.zip)
set(setup fennimar-setup-${FENNIMAR_VERSION}.exe)
# The stage is private to this run; the packages replace earlier ones only
# when they were made whole.
string(RANDOM LENGTH 8 suffix)
set(work ${OUTPUT_DIR}/.windows-packages-${suffix})
set(stage ${work}/${folder})
file(MAKE_DIRECTORY ${stage}/manual)
file(COPY ${programs} ${FENNIMAR_JOINEX} DESTINATION ${stage})
file(GLOB manual ${FENNIMAR_SOURCE_DIR}/docs/manual/*)
file(COPY ${manual} DESTINATION ${stage}/manual)
configure_file(${FENNIMAR_SOURCE_DIR}/resources/windows/README.txt.in ${stage}/README.txt @ONLY
               NEWLINE_STYLE CRLF)

# run STEP COMMAND...: runs a step; a failure ends the script with its output.
function(run step)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    file(REMOVE_RECURSE ${work})
    message(FATAL_ERROR "${step} failed (${status}):\n${output}")
  endif()
endfunction()

# The symbols are of no use to a user (the Debian package strips its
# programs too); the built programs themselves keep theirs.
if(FENNIMAR_STRIP)
  set(copies)
  foreach(program ${programs})
    get_filename_component(name ${program} NAME)
    list(APPEND copies ${stage}/${name})
  endforeach()
  run("Stripping the programs" ${FENNIMAR_STRIP} ${copies})
endif()
if(FENNIMAR_HOST_STRIP)
  run("Stripping the Linux joiner" ${FENNIMAR_HOST_STRIP} ${stage}/joinex)
endif()

run("Making ${folder}.zip" ${CMAKE_COMMAND} -E tar cf ${folder}.zip --format=zip ${folder})
run("makensis" ${FENNIMAR_MAKENSIS} -V2 -WX -DVERSION=${FENNIMAR_VERSION} -DSTAGE_DIR=${stage}
    -DICON=${FENNIMAR_SOURCE_DIR}/resources/windows/fennimar.ico -DOUTFILE=${work}/${setup}
    ${FENNIMAR_SOURCE_DIR}/resources/windows/fennimar.nsi)
file(RENAME ${work}/${folder}.zip ${zip})
file(RENAME ${work}/${setup} ${OUTPUT_DIR}/${setup})
file(REMOVE_RECURSE ${work})
