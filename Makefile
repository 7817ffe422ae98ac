# make demo   install what is missing, build, run the demo in Wine
# make check  install what is missing, build, run every test
.POSIX:
SHELL = /bin/sh
JOBS = 2
MAKEFLAGS += --no-print-directory

all: build

deps:
	@tools/install-deps.sh

# The plug-in ships as a 32-bit DLL, and the whole i686 tree (plug-in,
# stand-in, every test program, the benchmark) is built on every machine, so
# an i686-only error fails here wherever it is made. Tests, the demo and the
# benchmark run the i686 build where this machine runs 32-bit programs, else
# the same sources built for x86_64 (tools/test-arch.sh). TEST_ARCH=x86_64 or
# TEST_ARCH=i686 forces the choice.
TEST_ARCH =
ARCH = TEST_ARCH='$(TEST_ARCH)' tools/test-arch.sh
WINESERVER = /usr/lib/wine/wineserver64

build: deps
	@arch=$$($(ARCH)) || exit 1; \
	trees=i686; [ "$$arch" = i686 ] || trees="i686 $$arch"; \
	for tree in $$trees; do \
	  cmake -S . -B build/$$tree -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$$tree.cmake -DCMAKE_BUILD_TYPE=Release \
	    -DSONGBEAM_TESTS=ON >/dev/null && \
	  cmake --build build/$$tree -j $(JOBS) || exit 1; \
	done

native: deps
	@cmake -S . -B build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug >/dev/null && cmake --build build/native -j $(JOBS)

demo: build
	@arch=$$($(ARCH)) || exit 1; \
	tools/wine-env.sh build/$$arch $$arch && \
	cd build/$$arch/bin && \
	{ WINEPREFIX=$$PWD/../wine-prefix WINEDEBUG=-all $$( [ "$$arch" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64 ) \
	  songbeam-host.exe $(DEMO_ARGS); echo $$? > ../demo.status; } | tr -d '\r'; status=$$(cat ../demo.status); \
	WINEPREFIX=$$PWD/../wine-prefix $(WINESERVER) -k 2>/dev/null; cd ../../..; \
	$(ARCH) --say "the demo"; exit $$status

check: build native
	@arch=$$($(ARCH)) || exit 1; \
	tools/wine-env.sh build/$$arch $$arch && \
	status=0; \
	ctest --test-dir build/native --output-on-failure || status=1; \
	ctest --test-dir build/$$arch --output-on-failure -j $(JOBS) || status=1; \
	WINEPREFIX=$$PWD/build/$$arch/wine-prefix $(WINESERVER) -k 2>/dev/null; \
	$(ARCH) --say tests; \
	exit $$status

# Further targets, one file per area (release, fuzzing, benchmark, pictures).
include mk/*.mk

clean:
	rm -rf build dist

.PHONY: all deps build native demo check clean
