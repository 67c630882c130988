# The inputs of lib.sh for one build tree, for the scripts run by hand (the
# demo, the measurements): its tests' work folder, the simulator, the probe,
# and its Shutterling.exe unless E2E_APP names another build of it. A 64-bit
# build runs in a 64-bit prefix.
#
#   source tests/e2e/build_env.sh BUILD_DIR
export E2E_ROOT="$1/tests/e2e"
export E2E_SIM="$1/tools/browser-sim/browser-sim.exe"
export E2E_PROBE="$1/tools/browser-sim/probe/probe.exe"
export E2E_APP="${E2E_APP:-$1/src/platform/win32/Shutterling.exe}"
case "$1" in *x86_64*) export E2E_ARCH=win64 ;; esac
