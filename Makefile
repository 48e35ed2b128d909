# make run [ARGS='...']   set up, build and start the program
# make test               set up, build and run the whole test suite
# make lint               include directions between the folders, then clang-tidy
# make bench              time the conversion and the preview (not a test)
BUILD ?= build
JOBS  ?= $(shell nproc)
# CI turns compiler warnings into errors.
WERROR := $(if $(filter true,$(CI)),ON,OFF)

.PHONY: all setup build run test lint bench clean

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

clean:
	rm -rf $(BUILD)
