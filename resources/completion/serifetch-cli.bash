# bash completion for serifetch-cli: its commands, then the options of the
# command given. The lists follow `serifetch-cli COMMAND --help` (a test
# checks that they name every option).
# Without the bash-completion package (no _init_completion, no _filedir) it
# reads bash's own COMP_WORDS and completes names with compgen.

# Files, or folders with -d.
_serifetch_cli_files() {
    if declare -F _filedir >/dev/null; then
        _filedir "$@"
        return
    fi
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    if [[ "$1" == -d ]]; then
        COMPREPLY=($(compgen -d -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}

_serifetch_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion -n = || return
    else
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        # Bash splits "--dir=x" into "--dir", "=" and "x".
        if [[ "$cur" == = ]]; then
            cur=
        elif [[ "$prev" == = ]] && ((cword >= 2)); then
            prev=${COMP_WORDS[COMP_CWORD - 2]}
        fi
    fi

    local commands="fetch list-up go refresh show clear get probe"
    local request_options="--no-tls --cacert --keep-alive --no-http2 --user-agent --referer --referer-base --header
        --cookies --cookie-jar --user --netrc --proxy-user --limit-rate"
    local go_options="--skip-existing --no-skip-existing --min-size --no-min-size --interval
        --random-wait --rate --parallel --retries --retry-failed --allow-hidden-paths --remote-time --proxy --timeout --quiet -q --verbose -v --force $request_options --help -h"
    local options
    case "${words[1]}" in
    fetch) options="--dir -d --output -o --misses $go_options" ;;
    list-up) options="--url --head --digits --start --end --misses --tail --dir -d --force --help -h" ;;
    go) options="$go_options" ;;
    refresh) options="--interval --proxy --timeout --force $request_options --help -h" ;;
    show) options="--help -h" ;;
    clear) options="--force --help -h" ;;
    get) options="--output -o --remote-name -O --proxy --timeout --verbose -v --trace $request_options --help -h" ;;
    probe) options="--misses --interval --verbose -v $request_options --help -h" ;;
    esac

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help -h --version -V" -- "$cur"))
        return
    fi
    case "$prev" in
    --dir | -d)
        _serifetch_cli_files -d
        return
        ;;
    --output | -o | --cacert | --cookies | --cookie-jar)
        _serifetch_cli_files
        return
        ;;
    --min-size | --misses | --interval | --rate | --parallel | --retries | --proxy | --timeout | --url | --head | --digits | --start | --end | --tail | --user-agent | --referer | --header | --user | --proxy-user | --limit-rate)
        return
        ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
}
complete -F _serifetch_cli serifetch-cli
