# make demo: the main job on the bundled example, with the Windows build under Wine.
# make test: every test of every target this machine can run.
JOBS ?= 2

.PHONY: all deps build native win32 win64 fuzz-build test test-native test-win32 test-win64 \
	test-fuzz fuzz bench demo clean
FUZZ_SECONDS ?= 60

all: build

# Installs what is missing, then answers once whether win32 can run here (build/machine.env).
deps:
	@scripts/install-deps
	@scripts/machine-check

build: native win32 win64

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j$(JOBS)

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j$(JOBS)

win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j$(JOBS)

fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j$(JOBS)

# Every suite runs; the target fails if any failed. Where this machine cannot execute 32-bit
# code, the win32 build is checked as a file only and its suite runs as win64.
test: build fuzz-build
	@. build/machine.env; status=0; \
	ctest --preset native -j$(JOBS) || status=1; \
	ctest --preset win64 -j$(JOBS) || status=1; \
	if [ "$$VORLANE_WIN32_RUNS" = yes ]; then \
	  ctest --preset win32 -j$(JOBS) || status=1; \
	  ran="native, win32 (under Wine), win64 (under wine64) and fuzz"; \
	else \
	  echo "make test: the win32 suite was built but not run ($$VORLANE_WIN32_WHY); the same suite ran as win64; the win32 DLL is checked as a file"; \
	  ctest --preset win32 -L '^file$$' || status=1; \
	  ran="native, win64 (under wine64), win32 (file checks only) and fuzz"; \
	fi; \
	ctest --preset fuzz -j$(JOBS) || status=1; \
	if [ $$status -eq 0 ]; then echo "make test: all passed on $$ran"; \
	else echo "make test: FAILED on one of $$ran" >&2; fi; \
	exit $$status

test-native: native
	ctest --preset native -j$(JOBS)

test-win32: win32
	ctest --preset win32 -j$(JOBS)

test-win64: win64
	ctest --preset win64 -j$(JOBS)

test-fuzz: fuzz-build
	ctest --preset fuzz -j$(JOBS)

# Every fuzz target for FUZZ_SECONDS over its corpus.
fuzz: fuzz-build
	@status=0; for f in build/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$${f##*/fuzz_}; \
	  scripts/run-fuzzer "$$f" fuzz/corpus/$$name $(FUZZ_SECONDS) || status=1; \
	done; exit $$status

# Side by side on every target that runs here (win32 only where the machine executes 32-bit
# code), then the native micro benchmarks and the whole exports; tables in build/bench.
bench: build
	scripts/bench

demo: build
	scripts/demo

# The release for users: build/dist/vorlane-VERSION-win32.zip and build/dist/SHA256SUMS, then
# the archive's check (its layout, the DLL inside, every preset loaded through the page).
.PHONY: dist
dist: win32
	scripts/make-dist
	sh tests/dist/test_dist.sh win32 build/win32 build/dist

clean:
	rm -rf build
