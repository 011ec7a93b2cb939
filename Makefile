# The two commands a newcomer needs: `make run` and `make test`.
# PLATFORM=9x|nt and WIDTH=640|720|800|1024|1152|1280 choose what `make run` shows.
PLATFORM ?= nt
WIDTH ?= 800
PRESETS := host windows-x86 windows-x64
# CMake's own makes show their progress; where each one works is noise.
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test clean bench dist

all: build

deps:
	@tools/deps

build: deps
	@for p in $(PRESETS); do cmake --preset $$p >/dev/null && cmake --build --preset $$p || exit 1; done

# It checks PLATFORM and WIDTH before it installs or builds anything.
run:
	@tools/run-panel '$(PLATFORM)' '$(WIDTH)'

# Each Windows build runs under a Wine session of its own, two tests at a time in lanes of their
# own: x64 here, x86 where 32-bit code runs (tools/x86-machine), with ctest's limit scaled as that
# machine's speed asks. Each ctest run reports, and either failing fails.
WINE_CTEST = -j $$VGATV_LANES --resource-spec-file $$VGATV_LANES_SPEC --timeout $$((300 * $${VGATV_TIME_SCALE:-1}))
test: build
	ctest --preset host
	VGATV_LANES=2 tools/wine/session sh -c 'ctest --preset windows-x64 $(WINE_CTEST)'; x64=$$?; \
	VGATV_LANES=2 VGATV_SCRATCH_PREFIX=1 tools/x86-machine tools/wine/session sh -c 'ctest --preset windows-x86 $(WINE_CTEST)' && exit $$x64

clean:
	rm -rf build dist

bench: deps
	@bench/run

dist: deps
	@tools/dist
