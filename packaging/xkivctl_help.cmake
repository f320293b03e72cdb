# Reads what xkivctl says about itself: its commands with their argument
# synopses from `xkivctl --help`, and the type library from
# `xkivctl --offline --json list`. The manual page and the bash completion
# are written from these, so neither can drift from the program.

# Runs xkivctl (the XKIVCTL variable) with ARGN and stores its stdout in
# out_var; the profile and the class registry are kept in WORK, so that a
# build never reads or writes the builder's own.
function(xkiv_run_xkivctl out_var)
    file(MAKE_DIRECTORY ${WORK})
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env HOME=${WORK} XDG_CONFIG_HOME=${WORK}/config
                XDG_DATA_HOME=${WORK}/data XDG_DATA_DIRS=${WORK}/none ${XKIVCTL} ${ARGN}
        OUTPUT_VARIABLE output
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "xkivctl ${ARGN} failed (${status})")
    endif()
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# The lines of the block of `text` under the heading `heading:` up to the
# next empty line, with their indent removed. Semicolons in the text become
# commas, so that each line is one list element.
function(xkiv_help_block out_var text heading)
    string(REPLACE ";" "," text "${text}")
    if(NOT text MATCHES "\n${heading}:\n(.*)$")
        message(FATAL_ERROR "xkivctl --help has no block \"${heading}:\"")
    endif()
    set(block "${CMAKE_MATCH_1}")
    string(FIND "${block}" "\n\n" end)
    if(end GREATER_EQUAL 0)
        string(SUBSTRING "${block}" 0 ${end} block)
    endif()
    string(REGEX REPLACE "(^|\n) +" "\\1" block "${block}")
    string(REPLACE "\n" ";" lines "${block}")
    set(${out_var} "${lines}" PARENT_SCOPE)
endfunction()

# The commands of the overview, in its order: names in names_var and, for
# each, the arguments of its synopsis (NAME..., FILE.cam, a|b [c|d], or "-"
# for none) in specs_var.
function(xkiv_xkivctl_commands names_var specs_var help)
    xkiv_help_block(lines "${help}" "Commands")
    set(names)
    set(specs)
    foreach(line IN LISTS lines)
        # The synopses end where two spaces begin the summary.
        string(REGEX REPLACE "  .*$" "" synopses "${line}")
        string(REPLACE " | " ";" synopses "${synopses}")
        foreach(synopsis IN LISTS synopses)
            string(REGEX MATCH "^[^ ]+" name "${synopsis}")
            string(LENGTH "${name}" length)
            string(SUBSTRING "${synopsis}" ${length} -1 spec)
            string(STRIP "${spec}" spec)
            # An empty element would vanish from the list.
            if(spec STREQUAL "")
                set(spec "-")
            endif()
            list(APPEND names "${name}")
            list(APPEND specs "${spec}")
        endforeach()
    endforeach()
    set(${names_var} "${names}" PARENT_SCOPE)
    set(${specs_var} "${specs}" PARENT_SCOPE)
endfunction()

# The options of the "Options:" block: each as --name, or --name=VALUE when
# it takes a value (the placeholder is kept as written: PATH, N, SECONDS).
function(xkiv_xkivctl_options out_var help)
    xkiv_help_block(lines "${help}" "Options")
    set(options)
    foreach(line IN LISTS lines)
        # The options end where two spaces begin their description.
        string(REGEX REPLACE "  .*$" "" line "${line}")
        string(REGEX MATCHALL "--[a-z][a-z-]*( [A-Z]+)?" found "${line}")
        foreach(option IN LISTS found)
            string(REPLACE " " "=" option "${option}")
            list(APPEND options "${option}")
        endforeach()
    endforeach()
    set(${out_var} "${options}" PARENT_SCOPE)
endfunction()
