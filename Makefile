# Scrivelander: build, run and test on Linux with MinGW and Wine.
BUILD := build
# The program is a 32-bit program; on a machine that can't run 32-bit code
# the tests and `make run` use a 64-bit build of it (scripts/wine-arch.sh).
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-$$(scripts/wine-arch.sh).cmake -DCMAKE_BUILD_TYPE=Release
# Where `make install` puts the launcher, the desktop entry and the program.
PREFIX ?= $(HOME)/.local

.PHONY: all deps build run test bench fuzz fields fields-train clean install uninstall dist

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target Scrivelander
	@echo "built $(BUILD)/Scrivelander.exe"

# `make run` builds only what it runs: the program, the sample form and its
# entries, and the bridge to the Linux gs; not the unit tests.
run: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target Scrivelander sample_form sample_entries gs_bridge
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

# The field finder measured on real forms with known fields (FIELDS_DIR),
# clean and scanned, with its time per page; built natively with the host's g++.
FIELDS_DIR ?= ../shared/fields
FIELDS_NATIVE := $(BUILD)/fields-native
$(FIELDS_NATIVE)/find_fields: tools/fields/find_fields.cpp $(wildcard src/fields/*.cpp src/fields/*.h)
	mkdir -p $(FIELDS_NATIVE)
	g++ -std=c++17 -O2 -Wall -Wextra -Isrc -o $@ tools/fields/find_fields.cpp $(wildcard src/fields/*.cpp)

fields: fields-train
	nice python3 tools/fields/measure.py $(FIELDS_DIR) $(FIELDS_NATIVE)/find_fields $(BUILD)/fields --jobs 2 --own --timing
	nice python3 tools/fields/measure.py $(FIELDS_DIR) $(FIELDS_NATIVE)/find_fields $(BUILD)/fields --jobs 2 --dpi 300 --every 10

# Learns the finder's scorer from the forms in FIELDS_DIR: a model per fold
# of documents for the held-out figures of `make fields`, and the program's
# table (src/fields/field_model.cpp) with its check cases, from all of them.
# The same corpus gives the same table; rebuild the program after it.
fields-train: $(FIELDS_NATIVE)/find_fields
	@/usr/bin/python3 -c "import sklearn" 2>/dev/null || { \
	  echo "installing python3-sklearn for the trainer"; \
	  $$( [ "$$(id -u)" -ne 0 ] && echo sudo ) apt-get install -y --no-install-recommends python3-sklearn; }
	nice /usr/bin/python3 tools/fields/train.py $(FIELDS_DIR) $(FIELDS_NATIVE)/find_fields $(BUILD)/fields \
	  src/fields/field_model.cpp tests/unit/field_model_cases.inc --jobs 2

# A Linux desktop's launcher, menu entry and "Open with" for .bmp files;
# uninstall removes exactly what install put there.
install: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target Scrivelander gs_bridge desktop_icons
	scripts/install.sh install "$(PREFIX)" $(BUILD)

uninstall:
	scripts/install.sh uninstall "$(PREFIX)"

# The Windows zip: build/Scrivelander-VERSION-win32.zip.
dist: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2 --target dist

clean:
	rm -rf $(BUILD)
