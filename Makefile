# make demo: the main job on the bundled example, with the Windows build under Wine.
# make test: every test of both targets.
JOBS ?= 2

.PHONY: all deps build native win32 test test-native test-win32 demo clean

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

# Both suites always run; the target fails if either failed.
test: build
	@status=0; \
	ctest --preset native -j$(JOBS) || status=1; \
	ctest --preset win32 -j$(JOBS) || status=1; \
	if [ $$status -eq 0 ]; then echo "make test: all tests passed on both targets"; \
	else echo "make test: FAILED" >&2; fi; \
	exit $$status

test-native: native
	ctest --preset native -j$(JOBS)

test-win32: win32
	ctest --preset win32 -j$(JOBS)

demo: build
	scripts/demo

clean:
	rm -rf build
