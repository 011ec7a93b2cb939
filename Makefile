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

# Both Windows builds run under one Wine session; each ctest run reports, and either failing fails.
test: build
	ctest --preset host
	tools/wine/session sh -c 'ctest --preset windows-x86; x86=$$?; ctest --preset windows-x64 && exit $$x86'

clean:
	rm -rf build dist

bench: deps
	@bench/run

dist: deps
	@tools/dist
