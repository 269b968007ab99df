#!/usr/bin/env bash
# Plays a control host by a script of steps, for testing the program's side of the protocol.
#   fake_host.sh <state file> <step>...
# A step is a line (or several, written at once) to write as it is, or
#   @read      read one line and add it to <state file>.in (the host ends when its input has
#              closed)
#   @sleep N   hang for N seconds, ending there
#   @pause N   wait N seconds, then go on
#   @exit N    end with exit code N
#   @crash     stop on a fault
#   @killed    be ended by a signal from outside
#   @partial T write T without ending the line
#   @await F   wait until the file F exists beside the state file
# A step written "R:<step>" is taken only in run R: the state file counts the runs, and
# <state file>.pid holds the process of the latest.
set -u
state=$1
shift
run=$(($(cat "$state" 2>/dev/null || echo 0) + 1))
echo "$run" >"$state"
echo $$ >"$state.pid"

for step in "$@"; do
    if [[ $step =~ ^([0-9]+):(.*)$ ]]; then
        [ "${BASH_REMATCH[1]}" -eq "$run" ] || continue
        step=${BASH_REMATCH[2]}
    fi
    case $step in
    @read)
        read -r line || exit 0
        printf '%s\n' "$line" >>"$state.in"
        ;;
    @sleep\ *) exec sleep "${step#@sleep }" ;;
    @pause\ *) sleep "${step#@pause }" ;;
    @exit\ *) exit "${step#@exit }" ;;
    @crash) kill -SEGV $$ ;;
    @killed) kill -TERM $$ ;;
    @await\ *) while [ ! -e "$(dirname "$state")/${step#@await }" ]; do sleep 0.05; done ;;
    @partial\ *) printf '%s' "${step#@partial }" ;;
    *$'\n'*) cat <<<"$step" ;; # several lines in one write
    *) printf '%s\n' "$step" ;;
    esac
done
# Like the real host: end when the input closes.
while read -r _; do :; done
