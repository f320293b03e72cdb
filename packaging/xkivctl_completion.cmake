# Writes xkivctl's bash completion (OUTPUT) from its template (TEMPLATE):
# the commands and options from `xkivctl --help`, what each command's
# arguments are from its synopsis there, and the property and method names
# and the value names of list properties from the control's type library.
#   cmake -DXKIVCTL=... -DTEMPLATE=... -DOUTPUT=... -DWORK=... -P xkivctl_completion.cmake
include(${CMAKE_CURRENT_LIST_DIR}/xkivctl_help.cmake)

# A word for a bash script, in single quotes.
function(xkiv_shell_quote out_var text)
    string(REPLACE "'" "'\\''" text "${text}")
    set(${out_var} "'${text}'" PARENT_SCOPE)
endfunction()

# What the arguments of a command with this synopsis are: property (NAME),
# assignment (NAME=VALUE), method (METHOD), file:EXT (FILE.EXT, A.EXT), file:so
# (a MODULE), words (a|b [c|d]), or none.
function(xkiv_argument_kind out_var spec)
    if(spec MATCHES "=VALUE")
        set(kind assignment)
    elseif(spec MATCHES "^NAME")
        set(kind property)
    elseif(spec MATCHES "^METHOD")
        set(kind method)
    elseif(spec MATCHES "^\\[?[A-Z]+\\.([a-z]+)")
        set(kind file:${CMAKE_MATCH_1})
    elseif(spec MATCHES "MODULE")
        set(kind file:so)
    elseif(spec MATCHES "\\|")
        set(kind words)
    else()
        set(kind none)
    endif()
    set(${out_var} ${kind} PARENT_SCOPE)
endfunction()

# The case arms of _xkivctl_words for a synopsis such as
# "awb|shading [flat|color]|line-rate": the first argument's words, and the
# words that may follow one of them.
function(xkiv_word_arms out_var command spec)
    set(arms)
    while(spec MATCHES "([a-z-]+) \\[([^]]*)\\]")
        string(REPLACE "|" " " follow "${CMAKE_MATCH_2}")
        string(APPEND arms "        '${command} ${CMAKE_MATCH_1}') echo '${follow}' ;;\n")
        string(REPLACE "${CMAKE_MATCH_0}" "${CMAKE_MATCH_1}" spec "${spec}")
    endwhile()
    string(REPLACE "|" " " first "${spec}")
    set(${out_var} "        '${command} ') echo '${first}' ;;\n${arms}" PARENT_SCOPE)
endfunction()

xkiv_run_xkivctl(help --help)
xkiv_xkivctl_commands(names specs "${help}")
xkiv_xkivctl_options(options "${help}")

# Commands: names, and the kind of their arguments.
list(JOIN names " " XKIV_COMMANDS)
set(XKIV_ARGUMENT_KINDS "")
set(XKIV_COMMAND_WORDS "")
foreach(name spec IN ZIP_LISTS names specs)
    xkiv_argument_kind(kind "${spec}")
    string(APPEND XKIV_ARGUMENT_KINDS "        ${name}) echo ${kind} ;;\n")
    if(kind STREQUAL "words")
        xkiv_word_arms(arms ${name} "${spec}")
        string(APPEND XKIV_COMMAND_WORDS "${arms}")
    endif()
endforeach()

# Options: all of them, and those that take a value, by the kind of value.
set(XKIV_OPTIONS "")
set(file_options "")
set(other_value_options "")
foreach(option IN LISTS options)
    string(REGEX REPLACE "=.*$" "" bare "${option}")
    string(APPEND XKIV_OPTIONS " ${bare}")
    if(option MATCHES "=(PATH|FILE)$")
        list(APPEND file_options ${bare})
    elseif(option MATCHES "=")
        list(APPEND other_value_options ${bare})
    endif()
endforeach()
string(STRIP "${XKIV_OPTIONS}" XKIV_OPTIONS)
list(JOIN file_options "|" XKIV_FILE_OPTIONS)
list(JOIN other_value_options "|" XKIV_OTHER_VALUE_OPTIONS)

# The type library: properties (all for get, the writable ones for set),
# the value names set accepts, and the methods that take a file name.
xkiv_run_xkivctl(library --offline --json list)
string(JSON count LENGTH "${library}" properties)
math(EXPR last "${count} - 1")

# The value names of each list property, as words_<name in lower case>: set
# takes a value's name for properties numbered from 0 only.
foreach(index RANGE ${last})
    string(JSON name GET "${library}" properties ${index} name)
    string(JSON low ERROR_VARIABLE noRange GET "${library}" properties ${index} range 0)
    string(JSON valueCount ERROR_VARIABLE noNames LENGTH "${library}" properties ${index} names)
    if(noNames OR (NOT noRange AND NOT low EQUAL 0))
        continue()
    endif()
    string(TOLOWER "${name}" folded)
    set(words_${folded} "")
    math(EXPR lastValue "${valueCount} - 1")
    foreach(valueIndex RANGE ${lastValue})
        string(JSON value GET "${library}" properties ${index} names ${valueIndex})
        xkiv_shell_quote(quoted "${value}")
        string(APPEND words_${folded} " ${quoted}")
    endforeach()
endforeach()

# What set offers for each writable property: its value names, the names of
# the list property that a ...String property sets by name, or true and
# false.
set(XKIV_PROPERTIES "")
set(XKIV_WRITABLE_PROPERTIES "")
set(XKIV_PROPERTY_VALUES "")
set(booleans "")
foreach(index RANGE ${last})
    string(JSON name GET "${library}" properties ${index} name)
    string(JSON type GET "${library}" properties ${index} type)
    string(JSON readOnly GET "${library}" properties ${index} readOnly)
    string(APPEND XKIV_PROPERTIES " ${name}")
    if(readOnly)
        continue()
    endif()
    string(APPEND XKIV_WRITABLE_PROPERTIES " ${name}")
    string(TOLOWER "${name}" folded)
    string(REGEX REPLACE "string$" "" base "${folded}")
    if(type STREQUAL "boolean")
        list(APPEND booleans ${folded})
    elseif(DEFINED words_${folded})
        string(APPEND XKIV_PROPERTY_VALUES "        ${folded}) printf '%s\\n'${words_${folded}} ;;\n")
    elseif(type STREQUAL "string" AND NOT base STREQUAL folded AND DEFINED words_${base})
        string(APPEND XKIV_PROPERTY_VALUES "        ${folded}) printf '%s\\n'${words_${base}} ;;\n")
    endif()
endforeach()
if(booleans)
    list(JOIN booleans "|" pattern)
    string(APPEND XKIV_PROPERTY_VALUES "        ${pattern}) printf '%s\\n' true false ;;\n")
endif()
string(STRIP "${XKIV_PROPERTIES}" XKIV_PROPERTIES)
string(STRIP "${XKIV_WRITABLE_PROPERTIES}" XKIV_WRITABLE_PROPERTIES)

set(XKIV_METHODS "")
set(file_methods "")
string(JSON count LENGTH "${library}" methods)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    string(JSON name GET "${library}" methods ${index} name)
    string(APPEND XKIV_METHODS " ${name}")
    string(JSON params GET "${library}" methods ${index} params)
    if(params MATCHES "\"name\" *: *\"[A-Za-z]*FileName\"")
        list(APPEND file_methods ${name})
    endif()
endforeach()
string(STRIP "${XKIV_METHODS}" XKIV_METHODS)
list(JOIN file_methods "|" XKIV_FILE_METHODS)

configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
