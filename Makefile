BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Every build folder compiles through ccache when it is installed (ensure-deps.sh installs it), so
# the regular, sanitizer and fuzzing builds of CI share what they have in common.
LAUNCHER = $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure reconfigure build test run clean bench test-sanitize fuzz fuzz-deps format \
	extension test-extension-e2e test-windows windows-deps format-check deb

all: build

# Installing is a step of its own: make deps (and .ci/run's set-up stage) install what is
# missing, the file managers' development packages included, so that a fresh machine builds and
# tests every plug-in. make build installs only before it first configures a build folder, so
# that a fresh machine needs nothing else and a build that is already set up never waits for the
# package manager; make test checks for missing packages once more before it runs, as a fresh
# machine needs its validators too.
deps:
	@./tools/ensure-deps.sh
	@./tools/ensure-deps.sh extension

configure:
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
		./tools/ensure-deps.sh && ./tools/ensure-deps.sh extension && \
		cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER); \
	fi

# A build folder configured before packages were installed (the plug-ins' among them) finds them
# only when configured again; the package database's time says whether anything changed since.
reconfigure:
	@if [ -f $(BUILD_DIR)/build.ninja ] && [ /var/lib/dpkg/status -nt $(BUILD_DIR)/CMakeCache.txt ]; then \
		cmake -S . -B $(BUILD_DIR) >/dev/null; \
	fi

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: deps reconfigure build format-check
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/bin/quorvane-setup ]; then \
		$(BUILD_DIR)/bin/quorvane-setup; \
	else \
		echo "quorvane-setup is not part of this build yet; build/bin holds what exists so far."; \
	fi

# One table: the editor's start-up and memory against bare Qt windows on a virtual display, then
# the core on its largest inputs, then a right-click in each file manager with the plug-in and
# without; every figure is a median (see bench/README.md). Installs what the benchmarks need
# first (the file managers and the plug-ins' packages included); configuring again lets the build
# find it. Not part of make test.
bench: deps
	@./tools/ensure-deps.sh bench
	@./tools/ensure-deps.sh extension
	@./tools/ensure-deps.sh file-managers
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER) >/dev/null
	cmake --build $(BUILD_DIR) -j $(JOBS) --target startup_bench core_bench right_click_bench
	@$(BUILD_DIR)/bench/startup_bench --heading
	@$(BUILD_DIR)/bench/core_bench
	@$(BUILD_DIR)/bench/right_click_bench

clean:
	rm -rf $(BUILD_DIR)

# The file managers' plug-ins (Nemo, Caja, Nautilus, Thunar, Dolphin), with their development
# packages installed first when they are missing; configuring again lets the build find them.
extension: deps
	@./tools/ensure-deps.sh extension
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvane-nemo quorvane-caja quorvane-nautilus \
		quorvane-thunar quorvane-dolphin

# The plug-ins in real file managers on a virtual display; installs the file managers and puts the
# plug-ins into their system folders for the run (root only), then takes them out again.
test-extension-e2e: extension
	./tests/extension/end-to-end.sh $(BUILD_DIR)

# The Debian packages, quorvane-setup and one per plug-in, into build/deb/, checked by lintian;
# built from a copy of the sources, so the working tree stays as it is.
deb:
	./tools/build-deb.sh $(CURDIR)/$(BUILD_DIR)/deb

# Every C++ source of the project through clang-format, with the project's .clang-format.
FORMAT_SOURCES = $(shell git ls-files '*.cpp' '*.h')
format:
	clang-format -i $(FORMAT_SOURCES)

# The same check without changing anything: part of make test, so that an unformatted file fails.
format-check:
	@command -v clang-format >/dev/null 2>&1 || ./tools/ensure-deps.sh
	clang-format --dry-run -Werror $(FORMAT_SOURCES)

# Everything again with AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of its
# own and compiled with clang, so that every submission builds with both compilers; the first
# error ends the test that made it. Leak detection stays on; tests/lsan.supp lists
# only what libraries below Qt keep until exit.
SANITIZE_DIR ?= build-sanitize
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all
SANITIZE_ENV = QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps fuzz-deps
	@if [ ! -f $(SANITIZE_DIR)/build.ninja ]; then \
		CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_DIR) $(LAUNCHER) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BUILD_ADAPTERS=OFF \
			-DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
			-DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" \
			-DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" \
			-DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE_FLAGS)"; \
	fi
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

# Every parser under libFuzzer (clang), each for FUZZ_SECONDS on a fresh copy of its seed corpus
# in tests/fuzz/corpus/<target>; an input that breaks a target is kept in build-fuzz/findings.
# The settings-file target writes a file per input, so its scratch folder is in memory if it can.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30

fuzz-deps:
	@./tools/ensure-deps.sh fuzz

fuzz: fuzz-deps
	@if [ ! -f $(FUZZ_DIR)/build.ninja ]; then \
		CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(LAUNCHER) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
			-DQUORVANE_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_GUI=OFF; \
	fi
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target quorvane_fuzzers
	@set -e; \
	tmp=/dev/shm; [ -d $$tmp ] && [ -w $$tmp ] || { tmp=$(CURDIR)/$(FUZZ_DIR)/tmp; mkdir -p $$tmp; }; \
	for fuzzer in $(FUZZ_DIR)/fuzz/fuzz_*; do \
		t=$$(basename $$fuzzer); \
		rm -rf $(FUZZ_DIR)/corpus/$$t; mkdir -p $(FUZZ_DIR)/corpus/$$t $(FUZZ_DIR)/findings/$$t; \
		cp tests/fuzz/corpus/$$t/* $(FUZZ_DIR)/corpus/$$t/; \
		echo "$$t: $(FUZZ_SECONDS) s"; \
		if ! TMPDIR=$$tmp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
			$$fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
			-max_len=8192 -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/findings/$$t/ \
			$(FUZZ_DIR)/corpus/$$t 2>$(FUZZ_DIR)/findings/$$t/log.txt; then \
			tail -n 60 $(FUZZ_DIR)/findings/$$t/log.txt; \
			echo "$$t broke; the input is in $(FUZZ_DIR)/findings/$$t"; exit 1; \
		fi; \
		grep -E '^stat::(number_of_executed_units|new_units_added)' $(FUZZ_DIR)/findings/$$t/log.txt; \
	done

# The core, quorvanectl.exe, Quorvane.dll and the tests built with mingw-w64 and run under 64-bit Wine
# against its real registry, in build-windows/ (with its own throw-away Wine prefix); the same
# sources built for 32-bit Windows in build-windows32/. The window is not built: Debian has no Qt
# for mingw.
WINDOWS_DIR ?= build-windows
WINDOWS32_DIR ?= build-windows32

windows-deps:
	@./tools/ensure-deps.sh windows

test-windows: windows-deps
	JOBS=$(JOBS) ./tools/test-windows.sh $(WINDOWS_DIR) $(WINDOWS32_DIR)
