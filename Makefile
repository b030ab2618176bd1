# Thin wrapper around CMake; see README.md.
#   make run    build the engine (release) and start it in console mode
#   make test   build with warnings as errors and run every test

JOBS ?= 2
MAKEFLAGS += --no-print-directory
CMAKE ?= cmake

.PHONY: run test deps match sanitize fuzz

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

# An xboard-managed match against fairymax at one minute per game.
GAMES ?= 20
match: deps
	bash .ci/match $(GAMES)

# The whole test suite under address and undefined-behaviour sanitizers.
sanitize: deps
	$(CMAKE) -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Release -DENGINE_WERROR=ON -DENGINE_SANITIZE=ON
	$(CMAKE) --build build/sanitize -j$(JOBS)
	cd build/sanitize && ctest --output-on-failure --no-tests=error

# The two fuzz targets (command lines alone; the same lines through the main
# loop, searching) for FUZZ_SECONDS seconds each.
FUZZ_SECONDS ?= 30
fuzz:
	bash .ci/fuzz $(FUZZ_SECONDS)
