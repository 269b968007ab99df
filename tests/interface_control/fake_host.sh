#!/usr/bin/env bash
# Plays a control host by a script of steps, for testing the program's side of the protocol.
#   fake_host.sh <state file> <step>...
# A step is a line (or several, written at once) to write as it is, or
#   @read      read one line (the host ends when its input has closed)
#   @sleep N   hang for N seconds, ending there
#   @pause N   wait N seconds, then go on
#   @exit N    end with exit code N
#   @crash     end by a signal
#   @partial T write T without ending the line
#   @await F   wait until the file F exists beside the state file
# A step written "R:<step>" is taken only in run R: the state file counts the runs.
set -u
state=$1
shift
run=$(($(cat "$state" 2>/dev/null || echo 0) + 1))
echo "$run" >"$state"

for step in "$@"; do
    if [[ $step =~ ^([0-9]+):(.*)$ ]]; then
        [ "${BASH_REMATCH[1]}" -eq "$run" ] || continue
        step=${BASH_REMATCH[2]}
    fi
    case $step in
    @read) read -r _ || exit 0 ;;
    @sleep\ *) exec sleep "${step#@sleep }" ;;
    @pause\ *) sleep "${step#@pause }" ;;
    @exit\ *) exit "${step#@exit }" ;;
    @crash) kill -KILL $$ ;;
    @await\ *) while [ ! -e "$(dirname "$state")/${step#@await }" ]; do sleep 0.05; done ;;
    @partial\ *) printf '%s' "${step#@partial }" ;;
    *$'\n'*) cat <<<"$step" ;; # several lines in one write
    *) printf '%s\n' "$step" ;;
    esac
done
# Like the real host: end when the input closes.
while read -r _; do :; done
