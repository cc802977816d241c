# bash completion for kavro-switch: commands, their options, .set files,
# manifests, serial devices and the switches with a history. The options
# are those of the command table in cli/command_line.cpp, which a test holds
# this file to (kavro-switch help COMMAND lists them). Every reply is
# read a line a word, never split on spaces, so "site 1.set" stays one.

# COMPREPLY: the lines on standard input that begin with the word typed.
_kavro_switch_lines() {
    local line
    COMPREPLY=()
    while IFS= read -r line; do
        [[ "$line" == "$cur"* ]] && COMPREPLY+=("$line")
    done
    return 0
}

# COMPREPLY: the files whose names end in $1 (.set, .csv) and the folders,
# as bash quotes file names.
_kavro_switch_files() {
    mapfile -t COMPREPLY < <(compgen -f -X "!*$1" -- "$cur"; compgen -d -- "$cur")
    compopt -o filenames 2>/dev/null
    return 0
}

_kavro_switch() {
    local cur prev command i
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    command=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            get|send|restore|history|compare|site|report|show|diff|ports|simulate|help) command="${COMP_WORDS[i]}"; break ;;
        esac
    done

    case "$prev" in
        --port)
            _kavro_switch_lines < <(compgen -G '/dev/ttyUSB*'; compgen -G '/dev/ttyACM*'; compgen -G '/dev/ttyS*'
                                    compgen -G '/dev/serial/by-id/*'; compgen -G '/dev/pts/[0-9]*')
            return ;;
        -o) [ "$command" = report ] && _kavro_switch_files "" || _kavro_switch_files .set; return ;;
        --load) _kavro_switch_files .set; return ;;
        --manifest) _kavro_switch_files .csv; return ;;
        --line-pacing) mapfile -t COMPREPLY < <(compgen -W "on off" -- "$cur"); return ;;
        --switch-address|--address|--firmware|--fault|--prune-older-than|--steps|--at|--since|--limit|--site) return ;;
    esac

    if [ -z "$command" ]; then
        mapfile -t COMPREPLY < <(compgen -W "get send restore history compare site report show diff ports simulate help --help --version" -- "$cur")
        return
    fi
    local options=""
    case "$command" in
        get) options="--port --switch-address --site -o --force --verbose --decode" ;;
        send) options="--port --switch-address --site --verify --no-backup --verbose --decode" ;;
        restore) options="--port --switch-address --site --steps --at --verbose --decode" ;;
        history) options="--limit --since --site --json --csv --prune-older-than --dry-run" ;;
        compare) options="--port --switch-address --verbose --decode" ;;
        site) options="--port --site --no-backup --verbose --decode" ;;
        report) options="--manifest -o --force --site --live --port --verbose --decode" ;;
        show|ports) options="--json" ;;
        simulate) options="--firmware --address --load --fault --line-pacing --echo" ;;
        help) mapfile -t COMPREPLY < <(compgen -W "get send restore history compare site report show diff ports simulate" -- "$cur"); return ;;
    esac
    if [[ "$cur" == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options --help --version" -- "$cur")
    elif [ "$command" = site ] && [ "${COMP_WORDS[COMP_CWORD-1]}" = site ]; then
        mapfile -t COMPREPLY < <(compgen -W "get send compare restore" -- "$cur")
    elif [ "$command" = site ]; then
        _kavro_switch_files .csv
    elif [ "$command" = history ]; then
        # The switches with a history: the folders named by a switch address
        # (six hexadecimal digits), not the journal or anything else there.
        local folder hex="[0-9A-Fa-f]"
        _kavro_switch_lines < <(compgen -G "${HOME}/KavroSwitch/history/$hex$hex$hex$hex$hex$hex" |
                                while IFS= read -r folder; do [ -d "$folder" ] && basename "$folder"; done)
    elif [[ "$command" =~ ^(send|restore|compare|show|diff)$ ]]; then
        _kavro_switch_files .set
    fi
}
complete -F _kavro_switch kavro-switch
