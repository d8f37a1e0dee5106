# Webling: the two commands are `make run` and `make test`.
BUILD       ?= build
ASAN_BUILD  ?= build-asan
TSAN_BUILD  ?= build-tsan
FUZZ_BUILD  ?= build-fuzz
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -DWEBLING_WERROR=ON

.PHONY: all bootstrap build run test asan tsan fuzz bench clean

all: build

bootstrap:
	@./scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# With a display the window opens; without one the home page is rendered to a picture.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  ./$(BUILD)/webling $(ARGS); \
	else \
	  echo "No display found: rendering the home page off screen instead."; \
	  ./$(BUILD)/webling --screenshot=webling-home.png $(ARGS) && \
	  echo "The home page is in $$(pwd)/webling-home.png"; \
	fi

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

asan: bootstrap
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWEBLING_SANITIZE=ON -DWEBLING_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# Qt itself is not instrumented: races are found in our own code and the threads it starts;
# tests/tsan.supp names the reports that come from inside Qt and glib. A process QProcess
# starts is forked from a program with threads: it only executes the program it runs.
# The X-server group is left out: it checks what a person's keys and clicks do, and a
# program slowed tenfold by the sanitizer misses keys typed before it is ready for them;
# the same code runs under the sanitizer in the widget tests.
tsan: bootstrap
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWEBLING_TSAN=ON -DWEBLING_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/tests/tsan.supp" ctest --output-on-failure -j $(JOBS) -LE xserver

fuzz:
	@WEBLING_EXTRAS=1 ./scripts/bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEBLING_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -e; for f in $(FUZZ_BUILD)/fuzz/*_fuzzer; do \
	  [ -x "$$f" ] || continue; \
	  n=$$(basename $$f); mkdir -p $(FUZZ_BUILD)/corpus/$$n; \
	  seeds=""; [ -d fuzz/seeds/$$n ] && seeds=fuzz/seeds/$$n; \
	  echo "== $$n for $(FUZZ_SECONDS) s"; \
	  QT_QPA_PLATFORM=offscreen $$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$$n $$seeds; \
	done

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
