# Run as a script (cmake -DSETUPDAT=... -DOUTPUT=... -P): writes a help2man include file whose
# COMMANDS section holds each command's own --help, so the man page describes every command the
# way the program does.
set(text "[COMMANDS]\n")
foreach(command pack extract list verify log)
  execute_process(COMMAND ${SETUPDAT} ${command} --help OUTPUT_VARIABLE help
                  COMMAND_ERROR_IS_FATAL ANY)
  # roff: backslashes escaped, and no line may start with a dot or a quote.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
