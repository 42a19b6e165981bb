# Sourced by the test scripts that run a host's tools: `require_tools WHAT TOOL...` returns
# when every tool is there (a path that must be executable, or a command on PATH); otherwise
# the test fails under CI, where tools/install-deps.sh must have installed WHAT, and is skipped
# (exit 77) elsewhere.
require_tools() {
  local what=$1 tool
  shift
  for tool in "$@"; do
    if [ -x "$tool" ] || { [[ $tool != /* ]] && command -v "$tool" >/dev/null; }; then
      continue
    fi
    if [ -n "${CI:-}" ]; then
      echo "FAIL: $what ($tool) is missing; tools/install-deps.sh installs it"
      exit 1
    fi
    echo "SKIPPED: $what is not installed ($tool); bash tools/install-deps.sh installs it"
    exit 77
  done
}
