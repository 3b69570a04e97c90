# Asks the build tool, without building, what a build would do now; after a
# complete build the answer must be nothing.
#   cmake -DBUILD_DIR=<build tree> -DMAKE_PROGRAM=<ninja> -P NothingToRebuild.cmake
execute_process(COMMAND ${MAKE_PROGRAM} -C ${BUILD_DIR} -n -d explain
                OUTPUT_VARIABLE out ERROR_VARIABLE explained RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "The build tool failed: ${out}${explained}")
endif()
if(NOT out MATCHES "no work to do")
  message(FATAL_ERROR "A build with nothing changed would still do work:\n${out}\n${explained}")
endif()
message(STATUS "Nothing to rebuild")
