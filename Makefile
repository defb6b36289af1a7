# make check: install what is missing, build, run every test.
BUILD := build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build check demo bench dist clean

all: build

deps:
	tools/setup-deps

# Configured once; CMake reconfigures itself when a CMakeLists.txt changes.
configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

build: configure
	@$(MAKE) --no-print-directory -C $(BUILD) -j $(JOBS)

check: build
	tools/wine-run --root=$(BUILD)/wine --session ctest --test-dir $(BUILD) --output-on-failure

# Vexilo on a demo Favorites folder against a demo web site on 127.0.0.1:80: the window with a
# display, one driven check run without (log, report pages and screenshot in out/demo/).
demo: build
	tools/demo/run $(BUILD)

# Figures for the notes: each benchmark prints what it measured.
bench: build
	tools/wine-run --root=$(BUILD)/wine --session sh -c '\
		wine $(BUILD)/tests/bench/probe_wait_bench.exe && \
		wine $(BUILD)/tests/bench/checker_walk_bench.exe 100 100 5'
	tests/bench/check-run-bench $(BUILD)

# The shippable folder: the installer, its setup file and the product it installs.
dist: build
	rm -rf dist
	mkdir dist
	cp $(BUILD)/installer/Tovamere.exe $(BUILD)/installer/Tovamere.INF \
		$(BUILD)/checker/Vexilo.exe dist/
	@ls -l dist

clean:
	rm -rf $(BUILD) dist
