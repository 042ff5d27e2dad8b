# make demo: the main job on the bundled example, with the Windows build under Wine.
# make test: every test of every target this machine can run.
JOBS ?= 2

.PHONY: all deps build native win32 win64 fuzz-build test test-native test-win32 test-win64 \
	test-fuzz fuzz bench demo clean tsan
FUZZ_SECONDS ?= 60

all: build

# Installs what is missing, then answers once whether win32 can run here (build/machine.env).
deps:
	@scripts/install-deps
	@scripts/machine-check

build: native win32 win64

# build_step PRESET[,TARGETS,NOTE]: configures and builds PRESET (only TARGETS, when given) in one
# line of output; cmake's and the compiler's go to build/logs/PRESET.log, whose tail is shown
# when the step fails.
build_step = @mkdir -p build/logs; printf 'build: %s%s ... ' $(1) '$(3)'; \
	if { cmake --preset $(1) && cmake --build --preset $(1) -j$(JOBS) $(2); } \
	  >build/logs/$(1).log 2>&1; then echo done; \
	else echo FAILED; tail -n 30 build/logs/$(1).log; \
	  echo "build: the whole log of $(1) is build/logs/$(1).log"; exit 1; fi

native: deps
	$(call build_step,native)

# Where this machine cannot execute 32-bit code the win32 test programs could never run: only the
# product is built there (the module, kestrel, tessaly), and checked as a file.
win32: deps
	@if grep -qx 'VORLANE_WIN32_RUNS=yes' build/machine.env; then $(MAKE) -s win32-all; \
	else $(MAKE) -s win32-product; fi

.PHONY: win32-all win32-product
win32-all:
	$(call build_step,win32)

win32-product:
	$(call build_step,win32,--target vorlane kestrel tessaly, (the product: its tests cannot run here))

win64: deps
	$(call build_step,win64)

fuzz-build: deps
	$(call build_step,fuzz)

# Every suite runs; the target fails if any failed (scripts/run-tests).
test: build fuzz-build
	@JOBS=$(JOBS) scripts/run-tests

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

# The host's tests and the library's end-to-end tests under ThreadSanitizer: the threads that
# read a library share nothing unlocked. Not part of make test (a build of its own).
tsan: deps
	$(call build_step,tsan,--target tessaly tessaly_host_tests vorlane)
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --preset tsan -R '^(host|e2e_test_library|e2e_test_library_index)$$'

demo: build
	@scripts/demo

# The release for users: build/dist/vorlane-VERSION-win32.zip and build/dist/SHA256SUMS, then
# the archive's check (its layout, the DLL inside, every preset loaded through the page).
.PHONY: dist
dist: win32
	scripts/make-dist
	sh tests/dist/test_dist.sh win32 build/win32 build/dist

clean:
	rm -rf build
