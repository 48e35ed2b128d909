# make run [ARGS='...']   set up, build and start the program
# make test               set up, build and run the whole test suite
# make lint               include directions between the folders, then clang-tidy
# make bench              time the conversion and the preview (not a test)
# make windows            build tolvex.exe for Windows into build-windows/dist
# make test-windows       build the suite for Windows and run it under wine64
# make windows32          build the 32-bit tolvex.exe (it cannot run here)
# make bench-windows      the bench against the Windows build
# make bench-compare      the batch figure of both builds in one run
# make bench-hostile      the quiet conversion of each hostile picture (not a test)
BUILD ?= build
JOBS  ?= $(shell nproc)
# CI turns compiler warnings into errors.
WERROR := $(if $(filter true,$(CI)),ON,OFF)
WINBUILD   ?= build-windows
WIN32BUILD ?= build-windows32

.PHONY: all setup build run test lint bench clean windows-setup windows windows-programs test-windows windows32 bench-windows bench-compare bench-hostile

all: build

setup:
	@bash tools/packages.sh

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVEX_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The program ends with 1 on every road but "-u", which ends with 0: both
# are a normal end; any other code is a failure.
run: build
	@bash tools/wine-env.sh $(BUILD) wine $(BUILD)/tolvex.exe.so $(ARGS); rc=$$?; \
	  if [ $$rc -gt 1 ]; then echo "tolvex ended with exit code $$rc" >&2; exit $$rc; fi

test: build
	@bash tools/wine-env.sh $(BUILD) --unmanaged ctest --test-dir $(BUILD) --output-on-failure --timeout 300

lint:
	@bash tools/packages.sh lint
	@bash tools/lint.sh

# A prefix of its own: the bench sets the shell values in its registry.
bench: build
	@cmake --build $(BUILD) -j $(JOBS) --target tolvex_bench
	@mkdir -p $(BUILD)/bench
	@bash tools/wine-env.sh $(BUILD)/bench --unmanaged bash bench/run.sh $(BUILD)

# PROGRAMS: the folders whose tolvex is timed, this build's by default.
bench-hostile: build
	@cmake --build $(BUILD) -j $(JOBS) --target tolvex_hostile
	@mkdir -p $(BUILD)/bench
	@bash tools/wine-env.sh $(BUILD)/bench --unmanaged bash bench/hostile.sh $(BUILD) $(or $(PROGRAMS),$(BUILD))

windows-setup:
	@bash tools/packages.sh windows

# $(1): the build folder, $(2): the MinGW-w64 host. The static libraries come
# from the cache outside the clone, built there the first time.
define windows_configure
	@prefix=$$(bash tools/windows-deps.sh $(2)) && \
	  cmake -S . -B $(1) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/$(2).cmake \
	    -DTOLVEX_DEPS_PREFIX="$$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
endef

windows: windows-setup
	$(call windows_configure,$(WINBUILD),x86_64-w64-mingw32)
	@cmake --build $(WINBUILD) -j $(JOBS) --target dist
	@echo "Windows program: $(WINBUILD)/dist/Tolvex/ and $(WINBUILD)/dist/Tolvex.zip"

# Every Windows program, the tests' too.
windows-programs: windows
	@cmake --build $(WINBUILD) -j $(JOBS)

# The suite, then the quiet conversion of both builds compared.
test-windows: windows-programs build
	@bash tools/wine-env.sh $(WINBUILD) --unmanaged ctest --test-dir $(WINBUILD) --output-on-failure --timeout 300
	@bash tools/compare-builds.sh $(BUILD) $(WINBUILD)

windows32: windows-setup
	$(call windows_configure,$(WIN32BUILD),i686-w64-mingw32)
	@cmake --build $(WIN32BUILD) -j $(JOBS) --target tolvex

bench-windows: windows
	@cmake --build $(WINBUILD) -j $(JOBS) --target tolvex_bench
	@mkdir -p $(WINBUILD)/bench
	@bash tools/wine-env.sh $(WINBUILD)/bench --unmanaged bash bench/run.sh $(WINBUILD)

# Both builds on the Winelib build's photos, in the Windows build's prefix.
bench-compare: windows build
	@cmake --build $(BUILD) -j $(JOBS) --target tolvex_bench
	@cmake --build $(WINBUILD) -j $(JOBS) --target tolvex_bench
	@mkdir -p $(WINBUILD)/bench
	@bash tools/wine-env.sh $(WINBUILD)/bench --unmanaged bash bench/run.sh --compare $(BUILD) $(WINBUILD)

clean:
	rm -rf $(BUILD) $(WINBUILD) $(WIN32BUILD)
