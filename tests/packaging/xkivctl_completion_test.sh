#!/usr/bin/env bash
# Drives xkivctl's bash completion as bash does on Tab (COMP_WORDS, COMP_CWORD,
# COMP_LINE, COMP_POINT, then _xkivctl) for each command line of a table, and
# compares COMPREPLY with what the table expects.
#   xkivctl_completion_test.sh COMPLETION_FILE
set -uo pipefail
completion=$1
helpers=/usr/share/bash-completion/bash_completion
if [ ! -r "$helpers" ]; then
    echo "FAIL: $helpers is missing (install the bash-completion package)"
    exit 1
fi
# shellcheck source=/dev/null
source "$helpers"
# shellcheck source=/dev/null
source "$completion"
failures=0
if [[ $(complete -p xkivctl) != "complete -F _xkivctl xkivctl" ]]; then
    echo "FAIL: complete -p xkivctl: $(complete -p xkivctl 2>&1)"
    failures=1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
cd "$work/files" || exit 1
touch line4.cam other.cam report.txt table.csv libmodule.so
mkdir folder

# Splits a command line into COMP_WORDS as readline does: at blanks that are
# not escaped, and at "=" (its own word) when COMP_WORDBREAKS holds it.
split_line() {
    local line=$1 word="" i ch
    COMP_WORDS=()
    for ((i = 0; i < ${#line}; i++)); do
        ch=${line:i:1}
        if [[ $ch == '\' ]]; then
            word+=$ch${line:i+1:1}
            ((i++))
        elif [[ $ch == ' ' ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            word=""
        elif [[ $ch == '=' && $COMP_WORDBREAKS == *=* ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            COMP_WORDS+=("=")
            word=""
        else
            word+=$ch
        fi
    done
    # The word at the cursor: what was being typed, or a new empty one.
    if [[ -n $word ]]; then
        COMP_WORDS+=("$word")
    elif [[ $line == *' ' ]]; then
        COMP_WORDS+=("")
    fi
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
}

# check WORDBREAKS LINE EXPECTED: EXPECTED is the sorted replies joined by ",".
check() {
    local breaks=$1 line=$2 expected=$3 got errors
    COMP_WORDBREAKS=$breaks
    COMP_LINE=$line
    COMP_POINT=${#line}
    split_line "$line"
    COMPREPLY=()
    # compopt works only while readline completes; its complaint is expected.
    _xkivctl xkivctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>"$work/stderr"
    errors=$(grep -v "compopt: not currently executing completion function" "$work/stderr")
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd, -)
    if [[ $got != "$expected" || -n $errors ]]; then
        echo "FAIL: '$line' (COMP_WORDBREAKS ${breaks//[[:space:]]/}): got '$got', expected '$expected' $errors"
        failures=$((failures + 1))
    fi
}

default_breaks=$' \t\n"'"'"'><=;|&(:'
no_equals_breaks=$' \t\n"'"'"'><;|&(:'
files=folder,libmodule.so,line4.cam,other.cam,report.txt,table.csv
commands=aberration-load,aberration-save,area-load,area-store,call,diff,get,list,load,onepush
commands+=,read-all,register,report,save,search,set,unregister,watch,write-all
options=--class,--device,--devices,--events,--help,--interval,--json,--offline,--port,--search,--trace

cases=(
    # Commands and options.
    "xkivctl |$commands"
    "xkivctl --|$options"
    "xkivctl --offline g|get"
    "xkivctl get --j|--json"
    # Property names after get (all of them) and set (the writable ones, with "=").
    "xkivctl --device /dev/null get TriggerP|TriggerPolarity,TriggerPolarityString"
    "xkivctl get ModelN|ModelName"
    "xkivctl set TriggerM|TriggerMode=,TriggerModeString="
    "xkivctl set ModelN|"
    # Value names after "=", in any case, escaped (for a ...String property those
    # of its list property); true and false for booleans.
    "xkivctl set TriggerMode=|No\\ Shutter,PWC,Shutter\\ Select"
    "xkivctl set TriggerMode=p|PWC"
    "xkivctl --json set MasterGain=2 TriggerMode=shutter\\ s|Shutter\\ Select"
    "xkivctl set TriggerPolarity=acitve|Acitve\\ High"
    "xkivctl set TestPatternString=gray\\ p|Gray\\ Pattern\\ 1,Gray\\ Pattern\\ 2"
    "xkivctl set ShowAboutWindow=|false,true"
    "xkivctl set MasterGain=|"
    # Methods after call, and a file for a method that takes a file name.
    "xkivctl call WriteAllTo|WriteAllToCamera,WriteAllToFile"
    "xkivctl call WriteAllToFile |$files"
    "xkivctl call AskTriggerModeString |"
    # File names by the command's kind of file, and for --device.
    "xkivctl save |folder,line4.cam,other.cam"
    "xkivctl diff line4.cam o|other.cam"
    "xkivctl report |folder,report.txt"
    "xkivctl aberration-load |folder,table.csv"
    "xkivctl register |folder,libmodule.so"
    "xkivctl --device |$files"
    "xkivctl --devices |$files"
    "xkivctl --class |"
    # The words of onepush, and the shading type after shading.
    "xkivctl onepush |awb,awb-shutter,line-rate,pixel-black,pixel-gain,shading"
    "xkivctl onepush shading |color,flat"
    "xkivctl onepush awb |"
    "xkivctl area-load |"
)
for case in "${cases[@]}"; do
    check "$default_breaks" "${case%%|*}" "${case#*|}"
done
# Without "=" among the word breaks the reply carries the whole NAME=VALUE.
check "$no_equals_breaks" "xkivctl set TriggerMode=p" "TriggerMode=PWC"
check "$no_equals_breaks" "xkivctl set TriggerModeS" "TriggerModeString="

if ((failures > 0)); then
    echo "$failures of $((${#cases[@]} + 3)) checks failed"
    exit 1
fi
echo "All $((${#cases[@]} + 3)) completion checks passed"
