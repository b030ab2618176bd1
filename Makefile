# Thin wrapper around CMake; see README.md.
#   make run    build the engine (release) and start it in console mode
#   make test   build with warnings as errors and run every test

JOBS ?= 2
MAKEFLAGS += --no-print-directory
CMAKE ?= cmake

.PHONY: run test deps

deps:
	@bash .ci/install-deps

run: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF
	$(CMAKE) --build build/release -j$(JOBS) --target engine engine-bench
	./build/release/engine

test: deps
	$(CMAKE) -S . -B build/test -DCMAKE_BUILD_TYPE=Release -DENGINE_WERROR=ON
	$(CMAKE) --build build/test -j$(JOBS)
	cd build/test && ctest --output-on-failure --no-tests=error

# match: an xboard-managed match against a peer engine (to come).
