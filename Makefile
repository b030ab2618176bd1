# Thin wrapper around CMake; see README.md.
#   make run    build the engine (release) and start it in console mode
#   make test   build with warnings as errors and run every test
#   make        build the engine; make EXE=PATH puts it at PATH
#   make play   build the engine and play it in xboard
#   make web    build the page that plays the engine in a browser; make serve shows it
#   make windows / linux / arm   gyre.exe, a static Linux x86-64 and an ARM64 Linux engine
#   make dist   every release archive and SHA256SUMS, in build/dist

JOBS ?= 2
MAKEFLAGS += --no-print-directory
CMAKE ?= cmake

.PHONY: engine run test deps match sanitize fuzz play install uninstall deb web serve web-test \
	windows linux arm dist

# The engine alone (no packages installed, no tests). OpenBench's convention:
# make EXE=PATH [CXX=COMPILER] builds it at PATH.
EXE ?=
ENGINE_BUILD := build/exe$(if $(filter command line,$(origin CXX)),-$(notdir $(CXX)))
engine:
	$(CMAKE) -S . -B $(ENGINE_BUILD) -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF \
		$(if $(filter command line,$(origin CXX)),-DCMAKE_CXX_COMPILER=$(CXX))
	$(CMAKE) --build $(ENGINE_BUILD) -j$(JOBS) --target gyre
	$(if $(EXE),cp $(ENGINE_BUILD)/gyre "$(EXE)")

deps:
	@bash .ci/install-deps

run: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF
	$(CMAKE) --build build/release -j$(JOBS) --target gyre engine-bench
	./build/release/gyre

test: deps
	$(CMAKE) -S . -B build/test -DCMAKE_BUILD_TYPE=Release -DENGINE_WERROR=ON
	$(CMAKE) --build build/test -j$(JOBS)
	cd build/test && ctest --output-on-failure --no-tests=error

# An xboard-managed match against fairymax at one minute per game; with
# PROTOCOL=uci our engine speaks UCI through polyglot.
GAMES ?= 20
PROTOCOL ?= xboard
match: deps
	bash .ci/match $(GAMES) "" $(PROTOCOL)

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

# A game against the engine in xboard, TC minutes plus INC seconds a move;
# XBOARD_ARGS adds xboard options. The engine's files go to this folder.
TC ?= 10
INC ?= 5
XBOARD_ARGS ?=
play:
	@bash .ci/install-deps xboard
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF
	$(CMAKE) --build build/release -j$(JOBS) --target gyre
	PATH="$$PATH:/usr/games" xboard -fcp "$(CURDIR)/build/release/gyre" -fd "$(CURDIR)" \
		-tc $(TC) -inc $(INC) $(XBOARD_ARGS)

# The program, xboard's plugin file and the manual page under PREFIX
# (DESTDIR is put before every path); uninstall removes what was installed.
PREFIX ?= /usr/local
install: deps
	$(CMAKE) -S . -B build/install -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF -DCMAKE_INSTALL_PREFIX="$(PREFIX)"
	$(CMAKE) --build build/install -j$(JOBS) --target gyre
	DESTDIR="$(DESTDIR)" $(CMAKE) --install build/install

uninstall:
	xargs -d '\n' -I{} rm -fv "$(DESTDIR){}" <build/install/install_manifest.txt

# The Debian package gyre_VERSION_ARCH.deb, written to this folder.
deb:
	@bash .ci/install-deps dpkg-dev file
	$(CMAKE) -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
	$(CMAKE) --build build/deb -j$(JOBS) --target gyre
	cd build/deb && cpack -D CPACK_OUTPUT_FILE_PREFIX="$(CURDIR)"

# The engine compiled to WebAssembly and the page, in build/site (emscripten,
# node and npm installed when missing, the page's libraries with npm ci).
web:
	bash web/build.sh

# The site on http://127.0.0.1:PORT/ with the headers it needs.
PORT ?= 8080
serve: web
	node web/serve.js $(PORT)

# The worker's protocol under node and the page in headless chromium, also
# on python3's plain server; screenshots in build/web-test.
web-test: web
	@command -v chromium >/dev/null 2>&1 || bash .ci/install-deps chromium
	@command -v python3 >/dev/null 2>&1 || bash .ci/install-deps python3
	cd web && node --test test/*.test.js

# A toolchain file counts only when a build folder is first configured;
# named again, CMake warns that it is unused.
toolchain = $(if $(wildcard $(1)/CMakeCache.txt),,-DCMAKE_TOOLCHAIN_FILE=$(2))

# gyre.exe and engine-bench.exe for 64-bit Windows, cross-compiled with
# mingw-w64 and linked statically (no DLL beside them), in build/windows.
windows:
	@bash .ci/install-deps g++-mingw-w64-x86-64-posix
	$(CMAKE) -S . -B build/windows $(call toolchain,build/windows,cmake/mingw-w64.cmake) \
		-DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF
	$(CMAKE) --build build/windows -j$(JOBS) --target gyre engine-bench

# A Linux x86-64 engine linked statically, C library included: it runs on any
# x86-64 Linux, whatever its C library (see README), in build/linux.
linux: deps
	$(CMAKE) -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF -DENGINE_STATIC=ON
	$(CMAKE) --build build/linux -j$(JOBS) --target gyre engine-bench

# The same for 64-bit ARM Linux (aarch64), cross-compiled, in build/arm.
arm:
	@bash .ci/install-deps g++-aarch64-linux-gnu
	$(CMAKE) -S . -B build/arm $(call toolchain,build/arm,cmake/aarch64-linux.cmake) \
		-DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF -DENGINE_STATIC=ON
	$(CMAKE) --build build/arm -j$(JOBS) --target gyre engine-bench

# The release: the Windows zip, the two Linux tarballs, the Debian package,
# the site of make web (when emscripten and the page's libraries are there)
# and SHA256SUMS, in build/dist.
dist:
	bash dist/build.sh
