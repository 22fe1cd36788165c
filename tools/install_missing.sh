# Sourced by play.sh and test.sh: install_missing PACKAGE... installs with
# apt-get only the Debian packages that are not installed yet, so a second run
# installs nothing. Uses sudo when not root.
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
