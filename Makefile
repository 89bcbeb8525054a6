# Thin wrapper around CMake. `make check` works on a fresh Debian 12 machine:
# it installs what is missing, configures, builds and runs every test.
BUILD_DIR      ?= build
SANITIZE_DIR   ?= build-sanitize
FUZZ_DIR       ?= build-fuzz
FUZZ_SECONDS   ?= 120
FUZZ_RUNS      ?= 2000000
BUILD_TYPE     ?= RelWithDebInfo
JOBS           ?= $(shell nproc 2>/dev/null || echo 2)

PACKAGE_DIR    ?= build-package

.PHONY: all deps configure build check check-sanitize example bench fuzz install package clean

all: build

deps:
	tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DDV_BUILD_TESTS=ON

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

check: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

check-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DDV_SANITIZE=ON -DDV_BUILD_TESTS=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# Converts the shipped orders with the command-line runner.
example: build
	mkdir -p $(BUILD_DIR)/example
	$(BUILD_DIR)/bin/dvrun examples/orders.dv /t $(BUILD_DIR)/example/orders.xml
	@echo
	@echo "The XML went to $(BUILD_DIR)/example/orders.xml; its first lines:"
	@head -n 20 $(BUILD_DIR)/example/orders.xml
	@echo "..."
	@echo
	@echo "The run's log, $(BUILD_DIR)/bin/dvrun.log, ends with:"
	@tail -n 2 $(BUILD_DIR)/bin/dvrun.log

# Installs into PREFIX (default /usr/local); DESTDIR works as usual.
install: build
	cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package, built for /usr: $(PACKAGE_DIR)/datavane_<version>_<arch>.deb.
package: deps
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DDV_BUILD_TESTS=OFF
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	cd $(PACKAGE_DIR) && cpack -G DEB
	@ls $(PACKAGE_DIR)/*.deb

# Times dvrun against a hand-written C converter on generated data.
bench: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_reference bench_count bench_micro bench_tree
	bench/run_bench.sh $(BUILD_DIR)

# Builds the libFuzzer targets with clang and runs each for FUZZ_RUNS inputs,
# at most FUZZ_SECONDS.
fuzz:
	tools/install-deps.sh --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DDV_FUZZ=ON -DDV_BUILD_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzzers
	tools/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_RUNS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(PACKAGE_DIR)
