# Surgepad: `make demo` runs the program on the board simulator, `make test` builds
# both targets and runs every test. Both install what they need first.
BUILD ?= build
DIST  ?= dist
CMAKE_FLAGS ?=
# make fuzz: seconds each fuzzer runs (FUZZ_RUNS: or until so many executions), and
# which ones (all when empty).
FUZZ_SECONDS ?= 300
FUZZ_RUNS ?=
FUZZ_TARGETS ?=
WINE_ENV := tools/wine-env.sh

.PHONY: all deps build build-x64 build-x86 build-native test test-native test-wine test-e2e approve fuzz guardian dist installer demo gallery bench soak lint format clean

all: build

deps:
	@tools/deps.sh

$(BUILD)/x64/build.ninja: | deps
	cmake -S . -B $(BUILD)/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-mingw-x64.cmake $(CMAKE_FLAGS)

# No test runs the 32-bit build (it cannot run here): it builds what ships.
$(BUILD)/x86/build.ninja: | deps
	cmake -S . -B $(BUILD)/x86 -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-mingw-x86.cmake -DSURGEPAD_TESTS=OFF $(CMAKE_FLAGS)

# clang, for its libFuzzer: the native build also holds the fuzzers.
$(BUILD)/native/build.ninja: | deps
	cmake -S . -B $(BUILD)/native -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DSURGEPAD_SANITIZE=ON -DSURGEPAD_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS)

build-x64: $(BUILD)/x64/build.ninja
	cmake --build $(BUILD)/x64
build-x86: $(BUILD)/x86/build.ninja
	cmake --build $(BUILD)/x86
build-native: $(BUILD)/native/build.ninja
	cmake --build $(BUILD)/native

build: build-x64 build-x86 build-native

# The native run of the pure logic under the sanitizers, and a short pass of every fuzzer.
test-native: build-native
	ctest --test-dir $(BUILD)/native --output-on-failure --timeout 600

# Unit tests of the x64 build under Wine, in a fresh prefix of their own whose desktops
# a keeper holds open (tests/helpers/desktop_keeper.cpp). No unit test takes 20 s.
test-wine: build-x64
	WINE_ENV_DESKTOP_KEEPER=$(BUILD)/x64/bin/desktop_keeper.exe \
	$(WINE_ENV) $(BUILD)/wineprefix-unit ctest --test-dir $(BUILD)/x64 -LE e2e --output-on-failure -j2 --timeout 120

# End-to-end tests of the real program; each test makes its own prefix and desktop
# (tools/e2e-run.sh). The outer environment only serves CTest's listing of the unit
# test programs, which runs before any test. Three at a time: a test keeps about two
# thirds of a core busy, the rest is waiting.
test-e2e: build-x64
	$(WINE_ENV) $(BUILD)/wineprefix-e2e ctest --test-dir $(BUILD)/x64 -L e2e --output-on-failure -j3 --timeout 300

# What the program draws now becomes the approved pictures of its screens
# (tests/pictures/approved/, at 100 % and 200 %): after a wanted change of its looks.
approve: build-x64
	tools/approve.sh $(BUILD)

# The unit tests and the end-to-end tests run side by side: most of a test's time is
# the program's own waits (effects, animations, a silent service), and each suite has
# Wine prefixes and X servers of its own. Each suite's output comes whole when it ends.
test: build-x86 test-native
	@$(MAKE) --no-print-directory -j2 --output-sync=target test-wine test-e2e
	@echo "make test: all suites passed"

# The house format over every C++ file and clang-tidy over the pure-logic library;
# `make format` puts every file into the format.
lint: | deps
	tools/lint.sh $(BUILD)
format: | deps
	tools/lint.sh $(BUILD) --fix

# Every fuzzer for FUZZ_SECONDS, one after the other; findings land in $(BUILD)/native/fuzz/.
fuzz: build-native
	FUZZ_RUNS=$(FUZZ_RUNS) tools/fuzz.sh $(BUILD)/native $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The guardian against its model (tests/guardian) for GUARDIAN_SECONDS in GUARDIAN_JOBS
# processes, from GUARDIAN_SEED (default: the clock); prints sequences, steps, seeds and
# failures. make test runs a short pass of it with the unit tests.
GUARDIAN_SECONDS ?= 600
GUARDIAN_JOBS ?= 2
GUARDIAN_SEED ?=
guardian: build-x64
	tools/guardian.sh $(BUILD) $(GUARDIAN_SECONDS) $(GUARDIAN_JOBS) $(GUARDIAN_SEED)

# The program ended by force at random points of its takeover of the power button, its
# release, its detection of a change made elsewhere, a switch on and a switch off (turbo
# still on during its effect): KILL_RUNS runs of
# each (make test runs two) on each scheme set, each moment and set in a world of its
# own made by tools/e2e-run.sh (one test program that started a few hundred programs
# under its debugger ended without a word).
KILL_RUNS ?= 30
KILL_MOMENTS = Takeover Release Detection Switch TurboOff
KILL_SCHEMES = Agree Differ BalancedOnly OwnPlanActive
killruns: build-x64
	@rm -f $(BUILD)/killruns-output.txt; status=0; \
	for moment in $(KILL_MOMENTS); do for schemes in $(KILL_SCHEMES); do \
		SURGEPAD_KILL_RUNS=$(KILL_RUNS) tools/e2e-run.sh $(BUILD)/x64/bin/e2e_surgepad.exe \
			--gtest_filter="During/Kill.*/$${moment}On$${schemes}" >$(BUILD)/killruns-one.txt 2>&1 || status=1; \
		cat $(BUILD)/killruns-one.txt >>$(BUILD)/killruns-output.txt; \
		grep -E "^\[  |figure|Failure|lost|left" $(BUILD)/killruns-one.txt; \
	done; done; rm -f $(BUILD)/killruns-one.txt; exit $$status

dist: build-x64 build-x86
	rm -rf $(DIST)
	cmake --install $(BUILD)/x64 --prefix $(CURDIR)/$(DIST)/x64
	cmake --install $(BUILD)/x86 --prefix $(CURDIR)/$(DIST)/x86

# The packages: dist/Surgepad-x86.msi (the release) and dist/Surgepad-x64.msi, made
# with wixl from the program folders of make dist (installer/).
installer: dist
	$(BUILD)/x64/installer/make-msi $(DIST)/x64/Surgepad $(DIST)/Surgepad-x64.msi
	$(BUILD)/x86/installer/make-msi $(DIST)/x86/Surgepad $(DIST)/Surgepad-x86.msi

demo: dist
	DEMO_PICTURE_CHECK=$(BUILD)/x64/bin/picture-check.exe tools/demo.sh $(DIST)/x64

# Every control of the package in each look on the real skin, one window a page: on
# $DISPLAY, or headless with a screenshot of each page in $(BUILD)/gallery-shots/.
gallery: build-x64
	tools/gallery.sh $(BUILD)

# Figures of the program next to an empty Win32 program; the x86 size too once
# build-x86 has run. They never fail on a figure.
bench: build-x64
	tools/bench.sh $(BUILD)

# 500 switches (SURGEPAD_SOAK_SWITCHES) with memory and handles printed along the way;
# about half an hour. Fails only when the program dies or a switch does not complete.
soak: build-x64
	tools/soak.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(DIST)
