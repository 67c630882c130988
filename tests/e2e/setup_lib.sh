# Helpers of the setup program's tests (app_setup_*.sh). Source after lib.sh.

# setup_build: builds the setup program of this build tree into the test's
# folder and sets $setup to it. Wine makes a Linux menu entry for every
# shortcut saved: not for a test.
setup_build() {
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
    "$E2E_MAKE_SETUP" "$E2E_BUILD_DIR" "$W/setup" >"$W/make-setup.out" 2>&1 ||
        die "make-setup failed: $(tail -3 "$W/make-setup.out")"
    setup="$W/setup/Shutterling-1.0.0-setup.exe"
}
