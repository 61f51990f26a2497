# bash completion for orvex: commands, options, option values and the store's folder names.

# _orvex_carpetas: the folders of the store named on the line so far, one a line: each whole
# path, and each folder name that only one folder has (as the command accepts them).
_orvex_carpetas() {
  local -a almacen=()
  local i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --store | --registry | --drive | --identity | --windows-root | --user | --image | --partition)
        # The word as typed: unquote it and expand a leading ~ as the shell would.
        local valor=${COMP_WORDS[i + 1]}
        valor=${valor//\\ / }
        [[ $valor == "~"* ]] && valor=$HOME${valor:1}
        almacen+=("${COMP_WORDS[i]}" "$valor") ;;
    esac
  done
  "${COMP_WORDS[0]}" "${almacen[@]}" --json folders 2>/dev/null |
    sed -n 's/.*"name":"\(\([^"\\]\|\\.\)*\)","path":"\(\([^"\\]\|\\.\)*\)".*/\1\t\3/p' |
    awk -F '\t' '{ print $2; veces[$1]++ } END { for (n in veces) if (veces[n] == 1) print n }' | sort -u
}

_orvex() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local ordenes="info folders messages parts extract export scan find recover users"
  local globales="--store --registry --windows-root --user --image --partition --drive --identity --json --version --help"

  case $prev in
    --out | --backup | --windows-root)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --store | --registry | --hashes | --image)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --format) COMPREPLY=($(compgen -W "eml mbox maildir" -- "$cur")); return ;;
    --clamd) COMPREPLY=($(compgen -W "unix: tcp:127.0.0.1:3310" -- "$cur")); return ;;
    --action) COMPREPLY=($(compgen -W "keep rename remove" -- "$cur")); return ;;
    --name)
      local plantilla
      for plantilla in "{date} {from} {subject}" "{id} {subject}"; do
        [[ $plantilla == "${cur#[\'\"]}"* ]] && COMPREPLY+=("'$plantilla'")
      done
      return ;;
    --user)
      local raiz="" j
      for ((j = 1; j < COMP_CWORD; j++)); do [[ ${COMP_WORDS[j]} == --windows-root ]] && raiz=${COMP_WORDS[j + 1]}; done
      [[ -n $raiz ]] && COMPREPLY=($(compgen -W "$("${COMP_WORDS[0]}" --windows-root "$raiz" --json users 2>/dev/null |
        sed -n 's/^{"type":"user","user":"\([^"]*\)".*/\1/p')" -- "$cur"))
      return ;;
    --drive | --identity | --partition | --command | --clamd-timeout) return ;;
  esac

  local orden="" i
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ " $ordenes " == *" ${COMP_WORDS[i]} "* ]]; then
      orden=${COMP_WORDS[i]}
      break
    fi
  done

  local opciones
  case $orden in
    "") opciones="$globales $ordenes" ;;
    info) opciones="--help" ;;
    folders) opciones="--flat --help" ;;
    messages | parts) opciones="--help" ;;
    extract) opciones="--out --bodies --by-message --help" ;;
    export) opciones="--format --out --name --sync --delete --help" ;;
    scan) opciones="--hashes --command --clamd --clamd-timeout --action --dry-run --backup --no-backup --write-index --help" ;;
    find) opciones="--help" ;;
    recover) opciones="--out --mark-gaps --help" ;;
    users) opciones="--help" ;;
  esac
  if [[ $orden == recover && $cur != -* ]]; then
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
    return
  fi
  if [[ -z $orden || $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$opciones" -- "$cur"))
    return
  fi
  case $orden in
    find)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -f -- "$cur")) ;;
    messages | parts | extract | export | scan)
      local IFS=$'\n'
      COMPREPLY=($(compgen -W "$(_orvex_carpetas)" -- "${cur//\\ / }"))
      # Paths hold spaces: hand them back quoted.
      local j
      for j in "${!COMPREPLY[@]}"; do COMPREPLY[j]=$(printf '%q' "${COMPREPLY[j]}"); done ;;
  esac
}
complete -F _orvex orvex
