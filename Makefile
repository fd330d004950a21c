# The two commands a newcomer needs: `make run` and `make test`. `make bench` runs the benchmarks.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# CI builds without debug information: it only needs the verdict, and the build is a third faster.
BUILD_TYPE ?= $(if $(CI),Release,RelWithDebInfo)

.PHONY: run test bench package setup configure build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTARNWICK_BUILD_TESTS=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "No display to show Tarnwick on (DISPLAY and WAYLAND_DISPLAY are unset)."; \
	    echo "It is built at $(BUILD_DIR)/tarnwick. Start it on a virtual display with:"; \
	    echo "    xvfb-run -a -s '-screen 0 1280x1024x24' $(BUILD_DIR)/tarnwick"; \
	    exit 1; \
	fi
	@$(BUILD_DIR)/tarnwick

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: CMAKE_FLAGS += -DTARNWICK_BUILD_BENCH=ON
bench: build
	@for b in $(BUILD_DIR)/benchmarks/*; do echo "== $$(basename $$b)"; QT_QPA_PLATFORM=offscreen $$b || exit 1; done

# build/tarnwick_VERSION_ARCH.deb; install it with `sudo apt-get install ./build/tarnwick_*.deb`.
package: build
	@cd $(BUILD_DIR) && cpack
