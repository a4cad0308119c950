# Runs the program for its usage text and makes from it the man page (gzip'd,
# as Debian installs man pages) and the bash and zsh completions.
#   cmake -DPROGRAM=... -DPYTHON=... -DGENERATOR=... -DVERSION=... -DOUT=folder -P MakeFromUsage.cmake
# The program runs with a configuration folder of its own, so that building
# never writes the settings of whoever builds.
file(MAKE_DIRECTORY "${OUT}/usage-config")
set(ENV{CORVATINE_CONFIG_DIR} "${OUT}/usage-config")
execute_process(COMMAND "${PROGRAM}" --no-gui --help
                OUTPUT_FILE "${OUT}/usage.txt" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()
foreach(pair "man;corvatine.1" "bash;corvatine.bash" "zsh;_corvatine")
  list(GET pair 0 mode)
  list(GET pair 1 name)
  execute_process(COMMAND "${PYTHON}" "${GENERATOR}" ${mode} "${OUT}/usage.txt" "${OUT}/${name}" "${VERSION}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${GENERATOR} ${mode} failed")
  endif()
endforeach()
execute_process(COMMAND gzip -9nc "${OUT}/corvatine.1" OUTPUT_FILE "${OUT}/corvatine.1.gz" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of the man page failed")
endif()
