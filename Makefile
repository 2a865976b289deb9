# The two commands that do everything on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, runs the main job on the bundled sample
#   make test   installs what is missing, builds, runs every test
BUILD ?= build
TYPE ?= Release
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run gui format fuzz bench clean screenshots

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

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
	rm -rf $(BUILD) build-fuzz

# PNG screenshots of the windows under Xvfb into docs/img/.
screenshots: build
	@bash scripts/screenshots.sh $(BUILD)
