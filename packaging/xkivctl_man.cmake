# Writes the COMMANDS section of xkivctl's manual page (OUTPUT, a help2man
# include) from `xkivctl COMMAND --help` of every command `xkivctl --help`
# lists, so that the page says what the program says.
#   cmake -DXKIVCTL=... -DOUTPUT=... -DWORK=... -P xkivctl_man.cmake
include(${CMAKE_CURRENT_LIST_DIR}/xkivctl_help.cmake)

# Text as roff: backslashes and the hyphens of options escaped, and no line
# that starts with a control character.
function(xkiv_roff out_var text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "--" "\\-\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

xkiv_run_xkivctl(help --help)
xkiv_xkivctl_commands(names specs "${help}")
set(section "[=COMMANDS]\n")
foreach(name IN LISTS names)
    xkiv_run_xkivctl(text ${name} --help)
    # The first line is the command's synopsis, the rest its description.
    string(FIND "${text}" "\n" end)
    string(SUBSTRING "${text}" 0 ${end} synopsis)
    string(SUBSTRING "${text}" ${end} -1 description)
    string(REGEX REPLACE "\n +" "\n" description "${description}")
    string(STRIP "${description}" description)
    xkiv_roff(synopsis "${synopsis}")
    xkiv_roff(description "${description}")
    string(APPEND section ".TP\n.B ${synopsis}\n${description}\n")
endforeach()
file(WRITE ${OUTPUT} "${section}")
