# KORVEX! suite: build, test, run, benchmark and fuzz.
BUILD_DIR   ?= build
FUZZ_DIR    ?= build-fuzz
JOBS        ?= 2
FUZZ_SECONDS ?= 60

.PHONY: all deps build test run bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/Makefile: CMakeLists.txt
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD_DIR)/Makefile
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) -j$(JOBS) --output-on-failure --timeout 600

run: build
	scripts/run-korvex.sh $(BUILD_DIR)

bench: build
	@for b in $(BUILD_DIR)/bench/*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  "$$b" || exit 1; \
	done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DKORVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_DIR) -j$(JOBS)
	@for f in $(FUZZ_DIR)/fuzz/*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; \
	  name=$$(basename $$f); mkdir -p $(FUZZ_DIR)/corpus/$$name; \
	  echo "== $$name"; \
	  seeds=fuzz/seeds/$$name; [ -d $$seeds ] || seeds=; \
	  if ! "$$f" -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	       $(FUZZ_DIR)/corpus/$$name $$seeds > $(FUZZ_DIR)/$$name.log 2>&1; then \
	    tail -n 40 $(FUZZ_DIR)/$$name.log; exit 1; \
	  fi; \
	  tail -n 1 $(FUZZ_DIR)/$$name.log; \
	done

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
