# The two commands that do everything on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, runs the main job on the bundled sample
#   make test   installs what is missing, builds, runs every test, then builds the core and
#               its tests again under AddressSanitizer + UndefinedBehaviorSanitizer and runs them
BUILD ?= build
TYPE ?= Release
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Warnings in our own sources are errors (WERROR=OFF to relax while experimenting).
WERROR ?= ON
# The sanitizer build: Debug, the core, arbelio-batch and the core test runner only.
ASAN_BUILD ?= build-asan

.PHONY: all deps configure build test test-asan run gui format fuzz bench clean screenshots

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(TYPE) -DARBELIO_WERROR=$(WERROR) \
	  $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan

# Any report of either sanitizer fails the test that caused it.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DARBELIO_SANITIZE=ON \
	  -DARBELIO_GUI=OFF -DARBELIO_BENCH=OFF -DARBELIO_WERROR=$(WERROR) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target arbelio_tests
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run-main.sh $(BUILD)

gui: build
	$(BUILD)/arbelio

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# libFuzzer targets (not part of CI): builds the core and the targets with clang, libFuzzer,
# ASan and UBSan into build-fuzz and runs each target in turn for FUZZ_SECONDS.
FUZZ_SECONDS ?= 120
FUZZ_TARGETS = fuzz_dbf fuzz_sql fuzz_ecuacion fuzz_seleccion
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DARBELIO_FUZZ=ON -DARBELIO_GUI=OFF -DARBELIO_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS) arbelio-batch
	@bash scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz

# PNG screenshots of the windows under Xvfb into docs/img/.
screenshots: build
	@bash scripts/screenshots.sh $(BUILD)
