# The two commands a fresh Debian 12 machine needs: `make demo` and `make test`.
.PHONY: all setup native asan i686 x86_64 test demo dist bench clean

all: native i686

setup:
	@./scripts/setup

native: setup
	cmake --preset native >/dev/null
	cmake --build --preset native -j2

asan: setup
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan -j2

i686: setup
	cmake --preset mingw-i686 >/dev/null
	cmake --build --preset mingw-i686 -j2

x86_64: setup
	cmake --preset mingw-x86_64 >/dev/null
	cmake --build --preset mingw-x86_64 -j2

# Unit tests natively and under ASan/UBSan, the 64-bit build, then the real
# 32-bit program end to end under Wine.
test: native asan x86_64 i686
	ctest --preset native -j2
	ctest --preset native-asan -j2
	# Every Wine test runs once: a test that fails is a fault to find, not to
	# run again. Two at a time: each has its own prefix copy and X server, and
	# its limits are met by what it waits on, not by the machine being idle.
	# Where the kernel cannot run 32-bit binaries, Wine cannot start the
	# 32-bit build, and the same suite runs the 64-bit build. Where it can,
	# the 64-bit build runs a subset too: its platform tests, the basic
	# blocking scenario, a tab closed alone, a hung opener page, the
	# persistence round trip, tray Exit. The tests labelled xp run a second
	# time in prefixes that report Windows XP, the oldest system the program
	# runs on: start-up, a blocked popup, the tray, persistence and the setup
	# program (tests/e2e/CMakeLists.txt); both builds' imports and PE versions
	# are checked against that baseline (label pe) either way.
	if /usr/lib/wine/wine --version >/dev/null 2>&1; then \
	    ctest --preset mingw-i686 -j2 && \
	    E2E_WINVER=winxp ctest --preset mingw-i686 -j2 -L xp && \
	    ctest --preset mingw-x86_64 -j2 \
	        -R 'pe_|win32_|app_blocks_popup|app_tab_popup|app_hung_opener|app_store_safe_list|app_tray_exit|no_crashes'; \
	else \
	    echo "32-bit Wine cannot run here: the Wine suite runs the 64-bit build"; \
	    ctest --preset mingw-i686 -L pe && \
	    ctest --preset mingw-x86_64 -j2 && \
	    E2E_WINVER=winxp64 ctest --preset mingw-x86_64 -j2 -L xp; \
	fi

# The shipped 32-bit build, or the 64-bit one where the kernel cannot run
# 32-bit binaries and so Wine cannot start a 32-bit program.
demo: i686 x86_64
	if /usr/lib/wine/wine --version >/dev/null 2>&1; then \
	    ./scripts/demo build/mingw-i686; \
	else \
	    echo "32-bit Wine cannot run here: the demo runs the 64-bit build"; \
	    ./scripts/demo build/mingw-x86_64; \
	fi

# The portable zips: build/mingw-i686/Shutterling-1.0.0-win32.zip (the one
# to ship) and build/mingw-x86_64/Shutterling-1.0.0-win64.zip; and the setup
# program of the shipped build, build/mingw-i686/Shutterling-1.0.0-setup.exe.
dist: i686 x86_64
	cmake --build --preset mingw-i686 --target package
	cmake --build --preset mingw-x86_64 --target package
	./dist/setup/make-setup build/mingw-i686

bench: native
	./build/native/bench/benchmarks

clean:
	rm -rf build
