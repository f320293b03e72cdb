#!/usr/bin/env bash
# Renders each manual page with man, as a reader would, and checks that it
# renders without a warning, has the sections a reader looks for, and names
# every option (and for xkivctl every command) its program's --help names.
#   manual_pages_test.sh MAN_FOLDER PROGRAM...
set -uo pipefail
folder=$1
shift
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The sections each page must have, by program.
declare -A sections=(
    [xkivctl]="NAME,SYNOPSIS,DESCRIPTION,OPTIONS,COMMANDS,EXIT STATUS,ENVIRONMENT,FILES,EXAMPLES,SEE ALSO"
    [Tarnview]="NAME,SYNOPSIS,DESCRIPTION,OPTIONS,ENVIRONMENT,FILES,SEE ALSO"
    [rzcam-sim]="NAME,SYNOPSIS,DESCRIPTION,FILES,EXAMPLES,SEE ALSO"
)

for program in "$@"; do
    name=$(basename "$program")
    page=$folder/$name.1.gz
    if [ ! -s "$page" ]; then
        fail "$page is missing"
        continue
    fi
    # Justified lines have runs of blanks: one blank each for the searches.
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E ascii -l "$page" 2>"$folder/$name.warnings" |
           tr -s ' ')
    [ -s "$folder/$name.warnings" ] && fail "$name(1) renders with warnings: $(cat "$folder/$name.warnings")"
    IFS=, read -ra wanted <<<"${sections[$name]}"
    for section in "${wanted[@]}"; do
        grep -qx " *$section" <<<"$text" || fail "$name(1) has no section $section"
    done
    help=$("$program" --help)
    for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "$name(1) does not name $option"
    done
    if [ "$name" = xkivctl ]; then
        # The commands: the first word of each synopsis in the overview.
        commands=$(sed -n '/^Commands:$/,/^$/p' <<<"$help" | sed '1d; s/^  //; s/   *.*$//' |
                   sed 's/ | /\n/g' | cut -d' ' -f1)
        for command in $commands; do
            grep -q -- "xkivctl $command" <<<"$text" || fail "xkivctl(1) does not describe $command"
        done
        grep -q "128+N" <<<"$text" || fail "xkivctl(1) has no exit status table"
    fi
done

if ((failures > 0)); then
    echo "$failures failures"
    exit 1
fi
echo "The manual pages of $* render and name every option and command"
