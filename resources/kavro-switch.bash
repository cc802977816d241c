# bash completion for kavro-switch: commands, their options, .set files,
# manifests, serial devices and the switches with a history.
_kavro_switch() {
    local cur prev command i
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    command=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            get|send|restore|history|compare|site|show|diff|ports|simulate|help) command="${COMP_WORDS[i]}"; break ;;
        esac
    done

    case "$prev" in
        --port)
            local devices
            devices=$(compgen -G '/dev/ttyUSB*'; compgen -G '/dev/ttyACM*'; compgen -G '/dev/ttyS*'; \
                      compgen -G '/dev/serial/by-id/*'; compgen -G '/dev/pts/[0-9]*')
            COMPREPLY=($(compgen -W "$devices" -- "$cur"))
            return ;;
        -o|--load)
            COMPREPLY=($(compgen -f -X '!*.set' -- "$cur") $(compgen -d -- "$cur"))
            compopt -o filenames 2>/dev/null
            return ;;
        --line-pacing) COMPREPLY=($(compgen -W "on off" -- "$cur")); return ;;
        --switch-address|--address|--firmware|--fault|--prune-older-than) return ;;
    esac

    if [ -z "$command" ]; then
        COMPREPLY=($(compgen -W "get send restore history compare site show diff ports simulate help --help --version" -- "$cur"))
        return
    fi
    local options=""
    case "$command" in
        get) options="--port --switch-address -o --force --verbose --decode" ;;
        send) options="--port --switch-address --verify --no-backup --verbose --decode" ;;
        restore) options="--port --switch-address --verbose --decode" ;;
        history) options="--prune-older-than" ;;
        compare) options="--port --switch-address --verbose --decode" ;;
        site) options="--port --no-backup --verbose --decode" ;;
        show|ports) options="--json" ;;
        simulate) options="--firmware --address --load --fault --line-pacing --echo" ;;
        help) COMPREPLY=($(compgen -W "get send restore history compare site show diff ports simulate" -- "$cur")); return ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help --version" -- "$cur"))
    elif [ "$command" = site ] && [ "${COMP_WORDS[COMP_CWORD-1]}" = site ]; then
        COMPREPLY=($(compgen -W "get send compare" -- "$cur"))
    elif [ "$command" = site ]; then
        COMPREPLY=($(compgen -f -X '!*.csv' -- "$cur") $(compgen -d -- "$cur"))
        compopt -o filenames 2>/dev/null
    elif [ "$command" = history ]; then
        local kept="${HOME}/KavroSwitch/history"
        [ -d "$kept" ] && COMPREPLY=($(compgen -W "$(ls "$kept" 2>/dev/null)" -- "$cur"))
    elif [[ "$command" =~ ^(send|restore|compare|show|diff)$ ]]; then
        COMPREPLY=($(compgen -f -X '!*.set' -- "$cur") $(compgen -d -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
}
complete -F _kavro_switch kavro-switch
