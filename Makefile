# make run   : install what is missing, build, start the program on the sample database
# make test  : install what is missing, build with sanitizers, run every test
# make bench : build optimised and run the benchmarks

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-private-dev qt6-base-dev-tools libqt6sql6-sqlite \
            libqt6sql6-odbc libsqlite3-dev qt6-svg-dev libgl-dev libzip-dev zlib1g-dev unixodbc-dev odbcinst libsqliteodbc \
            sqlite3 postgresql odbc-postgresql xdg-utils shared-mime-info desktop-file-utils fonts-noto-cjk poppler-utils \
            libxml2-utils w3c-sgml-lib tidy pandoc epubcheck unzip fonts-ipafont-gothic fonts-ipafont-mincho \
            qt6-translations-l10n
JOBS     := $(shell nproc)
RELEASE  := build/release
TESTING  := build/test
SAMPLE   := $(RELEASE)/sample/Sample.txdb

.PHONY: deps run test bench build clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get update -qq && apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENWAR_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

run: build
	@if [ -x $(RELEASE)/tools/gen_sample ]; then $(RELEASE)/tools/gen_sample $(SAMPLE) >/dev/null; fi
	@if [ -f $(SAMPLE) ]; then $(RELEASE)/src/app/fenwar "$(abspath $(SAMPLE))"; else $(RELEASE)/src/app/fenwar; fi

test: deps
	cmake -S . -B $(TESTING) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFENWAR_SANITIZE=ON
	cmake --build $(TESTING) -j $(JOBS)
	cd $(TESTING) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done; true

clean:
	rm -rf build
