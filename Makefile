# make demo: the main job on the bundled example, with the Windows build under Wine.
# make test: every test of both targets.
JOBS ?= 2

.PHONY: all deps build native win32 fuzz-build test test-native test-win32 test-fuzz fuzz bench demo clean
FUZZ_SECONDS ?= 60

all: build

deps:
	@scripts/install-deps

build: native win32

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j$(JOBS)

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j$(JOBS)

fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j$(JOBS)

# Both suites always run; the target fails if either failed.
test: build fuzz-build
	@status=0; \
	ctest --preset native -j$(JOBS) || status=1; \
	ctest --preset win32 -j$(JOBS) || status=1; \
	ctest --preset fuzz -j$(JOBS) || status=1; \
	if [ $$status -eq 0 ]; then echo "make test: all tests passed on both targets"; \
	else echo "make test: FAILED" >&2; fi; \
	exit $$status

test-native: native
	ctest --preset native -j$(JOBS)

test-win32: win32
	ctest --preset win32 -j$(JOBS)

test-fuzz: fuzz-build
	ctest --preset fuzz -j$(JOBS)

# Every fuzz target for FUZZ_SECONDS over its corpus.
fuzz: fuzz-build
	@status=0; for f in build/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$${f##*/fuzz_}; \
	  scripts/run-fuzzer "$$f" fuzz/corpus/$$name $(FUZZ_SECONDS) || status=1; \
	done; exit $$status

# Benchmarks need both builds: the whole-export runs use the win32 tessaly under Wine.
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
