# bash completion for veltrix-convert                                  -*- shell-script -*-

_veltrix_convert() {
  local cur prev
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD - 1]}"
  COMPREPLY=()

  case "$prev" in
    -d | --delimiter)
      mapfile -t COMPREPLY < <(compgen -W "comma tab space semicolon" -- "$cur")
      return
      ;;
    -o | --output | --sqlite)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return
      ;;
    --encryption)
      mapfile -t COMPREPLY < <(compgen -W "open wep" -- "$cur")
      return
      ;;
    --exclude-mac)
      # MACs, or @FILE: files after the @.
      if [[ "$cur" == @* ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -P @ -f -- "${cur#@}")
      fi
      return
      ;;
    -j | --jobs | --db | --min-rssi | --from | --to | --ssid | --exclude-ssid | --channel | --busy-db)
      # A number, a time, a pattern or a list: nothing to offer.
      return
      ;;
  esac
  # The second value of --db MIN MAX.
  if [ "$COMP_CWORD" -ge 2 ] && [ "${COMP_WORDS[COMP_CWORD - 2]}" = --db ]; then
    return
  fi

  if [[ "$cur" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "-h --help --version -o --output -d --delimiter
      --no-header -j --jobs -q --quiet --info --json --rtc-date --rtc-time --marker --gps-date
      --gps-time --gps-lat --gps-lon --context --full-spectrum --single-spectrum --survey
      --ap-only --single --util --records --split --waterfall --db --kml --gpx --wigle
      --ap-summary --merge --min-rssi --from --to --ssid --exclude-ssid --exclude-mac --channel
      --encryption --report --busy-db --sqlite" -- "$cur")
    return
  fi

  # Logs (any case of .qx) and the folders that may hold them.
  compopt -o filenames 2>/dev/null
  local name
  while IFS= read -r name; do
    if [ -d "$name" ] || [[ "${name,,}" == *.qx ]]; then COMPREPLY+=("$name"); fi
  done < <(compgen -f -- "$cur")
}
complete -F _veltrix_convert veltrix-convert
