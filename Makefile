# Scrivelander: build, run and test on Linux with MinGW and Wine.
BUILD := build
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target Scrivelander
	@echo "built $(BUILD)/Scrivelander.exe"

run: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2
	scripts/run.sh

test: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2
	scripts/test.sh

bench: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2
	scripts/bench.sh

# FUZZ_SECONDS=N fuzzes each target N seconds instead of 60.
fuzz: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target fuzz_targets
	tests/fuzz/fuzz.sh

clean:
	rm -rf $(BUILD)
