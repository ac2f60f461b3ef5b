# Sourced by the Windows scripts: the whole calling script runs on one Xvfb display (Wine's desktop
# process starts with the first program and needs the display from the start), and the cross build
# is configured against the wxMSW that scripts/windows-toolchain.sh provides.
source scripts/display.sh
if [ -z "${QUORVEL_ON_XVFB:-}" ]; then
    bash scripts/deps.sh xvfb xauth
    QUORVEL_ON_XVFB=1 on_display bash "$0" "$@"
    exit
fi
QUORVEL_WX_CONFIG=$(bash scripts/windows-toolchain.sh)
QUORVEL_WX_PREFIX=$(dirname "$(dirname "$QUORVEL_WX_CONFIG")")
export QUORVEL_WX_CONFIG QUORVEL_WX_PREFIX
cmake --preset win32 >/dev/null
