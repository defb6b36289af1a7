# make check: install what is missing, build, run every test.
#
# Two builds of the same sources: $(BUILD) (i686, PE32: the shipped programs) and $(BUILD64)
# (x86_64, PE32+), whose tests run on every machine. The PE32 tests run where this machine can
# start the 32-bit Wine (tools/starts-wine32; NO_32BIT_CODE=1 behaves as if it could not).
# $(BUILD_HOST) holds
# the tests that run on this machine itself (clang, sanitizers), such as the import check of
# the shipped programs.
BUILD := build
BUILD64 := build64
BUILD_HOST := build-host
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Whether this machine can start the 32-bit Wine, and the build whose programs its Wine starts
# (the demo and the benchmarks use it). Asked when a recipe runs, after tools/setup-deps has
# installed what it could, so `=`, not `:=`.
WINE32 = $(shell tools/starts-wine32 && echo yes)
RUN_BUILD = $(if $(WINE32),$(BUILD),$(BUILD64))

# The fuzz targets (tests/fuzz/, built in $(BUILD_HOST)); make fuzz runs each for FUZZ_SECONDS.
FUZZ_TARGETS := response_head request location chunks shortcut list_line path installer_text \
	setup_entry uninstall_string reg_entry setup_path reg_key bookmarks_html profiles_ini utf8 \
	mozlz4 bookmarks_json install_log move_rules shortcut_rewrite proxy_setting tunnel_answer \
	places version_info page_text
FUZZ_SECONDS ?= 60
# Files of the product that make bench installs and removes.
INSTALLER_FILES ?= 10000

.PHONY: all deps configure build check fuzz demo bench dist clean

all: build

deps:
	tools/setup-deps

# Configured once; CMake reconfigures itself when a CMakeLists.txt changes.
configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
	@test -f $(BUILD64)/CMakeCache.txt || cmake -S . -B $(BUILD64) \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
	@test -f $(BUILD_HOST)/CMakeCache.txt || cmake -S host -B $(BUILD_HOST) \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DPE32_BUILD=$(BUILD) -DPE32PLUS_BUILD=$(BUILD64)

build: configure
	@$(MAKE) --no-print-directory -C $(BUILD) -j $(JOBS)
	@$(MAKE) --no-print-directory -C $(BUILD64) -j $(JOBS)
	@$(MAKE) --no-print-directory -C $(BUILD_HOST) -j $(JOBS)

# The host tests and the PE32 run first, so that CTest's summary of the PE32+ run stays the last
# lines; a failing run stops here with its own summary last. The end-to-end suites' runs under
# each Windows version (label windows-versions) take minutes: they run once, on the PE32 build
# where it runs, else on the PE32+ build.
check: build
	@echo "Host tests ($(BUILD_HOST)/, this machine):"
	@ctest --test-dir $(BUILD_HOST) --output-on-failure
	@if tools/starts-wine32; then \
		echo "PE32 tests ($(BUILD)/, 32-bit Wine):"; \
		tools/wine-run --build=$(BUILD) --session ctest --test-dir $(BUILD) --output-on-failure && \
		echo "PE32+ tests ($(BUILD64)/, 64-bit Wine; the Windows version runs ran on PE32):" && \
		tools/wine-run --build=$(BUILD64) --session ctest --test-dir $(BUILD64) --output-on-failure \
			-LE windows-versions; \
	else \
		echo "PE32 tests skipped: $$(tools/starts-wine32 --why)"; \
		echo "PE32+ tests ($(BUILD64)/, 64-bit Wine):"; \
		tools/wine-run --build=$(BUILD64) --session ctest --test-dir $(BUILD64) --output-on-failure; \
	fi

# Each fuzz target for FUZZ_SECONDS, one after the other and at the lowest priority, from its
# seeds and what earlier runs found (kept in $(BUILD_HOST)/fuzz/); prints libFuzzer's summary of
# each and stops at the first finding, which stays in $(BUILD_HOST)/fuzz/TARGET/findings/.
fuzz: configure
	@$(MAKE) --no-print-directory -C $(BUILD_HOST) -j $(JOBS) $(addprefix fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
		work=$(BUILD_HOST)/fuzz/fuzz_$$t; mkdir -p $$work; \
		if nice -n 19 tests/fuzz/run-target $(BUILD_HOST)/fuzz_$$t tests/fuzz/corpus/fuzz_$$t \
			$$work $(FUZZ_SECONDS) >$$work/last.log 2>&1; then \
			echo "fuzz_$$t: $$(grep -E '^Done [0-9]+ runs' $$work/last.log | tail -1);" \
				"$$(grep -E '^#[0-9]+[[:space:]]+DONE' $$work/last.log | tail -1 | \
				sed -E 's/.*(cov: [0-9]+ ft: [0-9]+ corp: [^ ]+).*/\1/')"; \
		else \
			echo "fuzz_$$t: FINDING (log: $$work/last.log)"; grep -E 'property|ERROR|SUMMARY' $$work/last.log; \
			exit 1; \
		fi; \
	done

# Vexilo on a demo Favorites folder against a demo web site on 127.0.0.1:80: the window with a
# display, one driven check run without (log, report pages and screenshot in out/demo/).
demo: build
	tools/demo/run $(RUN_BUILD)

# Figures for the notes: each benchmark prints what it measured.
bench: build
	tests/data/bookmarks/make-fixtures --bench-places $(RUN_BUILD)/bench-places 50000 2000
	tools/wine-run --build=$(RUN_BUILD) --session sh -c '\
		wine $(RUN_BUILD)/tests/bench/probe_wait_bench.exe && \
		wine $(RUN_BUILD)/tests/bench/checker_walk_bench.exe 100 100 5 && \
		wine $(RUN_BUILD)/tests/bench/checker_bookmarks_bench.exe 50000 2000 5 && \
		wine $(RUN_BUILD)/tests/bench/checker_bookmarks_bench.exe --source "$$(winepath -w $(RUN_BUILD)/bench-places)" \
			"$$(winepath -w $(RUN_BUILD)/bench-places/places.sqlite)" 5 && \
		wine $(RUN_BUILD)/tests/bench/page_compare_bench.exe && \
		wine $(RUN_BUILD)/tests/bench/installer_bench.exe $(INSTALLER_FILES)'
	tests/bench/check-run-bench $(RUN_BUILD)

# The shippable folder: the installer, its setup file and the product it installs.
dist: build
	rm -rf dist
	mkdir dist
	cp $(BUILD)/shipped/installer/Tovamere.exe $(BUILD)/shipped/installer/Tovamere.INF \
		$(BUILD)/shipped/checker/Vexilo.exe dist/
	@ls -l dist

clean:
	rm -rf $(BUILD) $(BUILD64) $(BUILD_HOST) dist
