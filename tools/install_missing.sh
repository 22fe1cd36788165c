# Sourced by play.sh and test.sh. packages_for KIND... prints the packages of
# tools/packages.txt marked with any of the kinds (no kind: every package); install_missing PACKAGE...
# installs with apt-get only those not installed yet, so a second run installs
# nothing. Uses sudo when not root.
packages_for() {
  local list
  list="$(dirname "${BASH_SOURCE[0]}")/packages.txt"
  awk -v kinds=" $* " '!/^#/ && NF >= 2 && (kinds == "  " || index(kinds, " " $2 " ")) { print $1 }' "$list"
}

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "==> installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}
