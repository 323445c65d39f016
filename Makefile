# Front door: `make demo` and `make test` work on a fresh Debian machine.
BUILD      ?= build
JOBS       ?= $(shell nproc)
FUZZ_BUILD ?= $(BUILD)-fuzz
FUZZ_SECONDS ?= 60
CMAKE_ARGS ?=
GEN        := -G Ninja

.PHONY: deps configure build test test-core test-sanitizers demo run bench fuzz fuzz-build fuzz-seeds install package clean

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Every test, headless: the release build, then the core tests under ASan+UBSan and under TSan.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-sanitizers

test-sanitizers: deps
	cmake -S . -B $(BUILD)-asan $(GEN) -DCMAKE_BUILD_TYPE=Debug -DDV_CORE_ONLY=ON -DDV_SANITIZE=address $(CMAKE_ARGS)
	cmake --build $(BUILD)-asan -j $(JOBS) --target core_tests
	cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(BUILD)-tsan $(GEN) -DCMAKE_BUILD_TYPE=Debug -DDV_CORE_ONLY=ON -DDV_SANITIZE=thread $(CMAKE_ARGS)
	cmake --build $(BUILD)-tsan -j $(JOBS) --target core_tests
	cd $(BUILD)-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS)

demo: build
	$(BUILD)/stormedge-dsp-demo

run: build
	$(BUILD)/stormedge-dsp

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@for b in $(BUILD)/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; \
		echo "== $$b"; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; done

# libFuzzer targets (clang, ASan+UBSan, core and simulator instrumented for coverage), each run
# for FUZZ_SECONDS from the seeds in fuzz/corpus/; prints coverage and executions per target.
fuzz-build:
	@scripts/install-deps.sh clang libclang-rt-dev
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DDV_CORE_ONLY=ON -DDV_FUZZ=ON -DDV_SANITIZE=address $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Rewrites the committed seeds from the simulator and the profile writer.
fuzz-seeds: fuzz-build
	$(FUZZ_BUILD)/fuzz_make_seeds fuzz/corpus

# A Debian package (.deb) in $(BUILD)/: the program, the udev rule, desktop entry, icon, metainfo.
package: build
	cd $(BUILD) && cpack -G DEB

install: build
	cmake --install $(BUILD)
	install -m 0644 packaging/70-stormedge-dv80max.rules /etc/udev/rules.d/70-stormedge-dv80max.rules
	-udevadm control --reload-rules && udevadm trigger --subsystem-match=hidraw

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(FUZZ_BUILD)
