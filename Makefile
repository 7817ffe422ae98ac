# make demo   install what is missing, build, run the demo in Wine
# make check  install what is missing, build, run every test
.POSIX:
SHELL = /bin/sh
JOBS = 2
MAKEFLAGS += --no-print-directory

all: build

deps:
	@tools/install-deps.sh

# The plug-in ships as a 32-bit DLL. Tests run in Wine on the architecture
# this machine can run (see tools/test-arch.sh).
build: deps
	@arch=$$(tools/test-arch.sh); \
	tests=OFF; [ "$$arch" = i686 ] && tests=ON; \
	cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DSONGBEAM_TESTS=$$tests >/dev/null && \
	cmake --build build/i686 -j $(JOBS) && \
	if [ "$$arch" != i686 ]; then \
	  cmake -S . -B build/$$arch -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$$arch.cmake -DCMAKE_BUILD_TYPE=Release \
	    >/dev/null && \
	  cmake --build build/$$arch -j $(JOBS); \
	fi

native: deps
	@cmake -S . -B build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug >/dev/null && cmake --build build/native -j $(JOBS)

demo: build
	@arch=$$(tools/test-arch.sh); \
	[ "$$arch" = i686 ] || echo "(this machine cannot run 32-bit programs: the demo runs the x86_64 build in 64-bit Wine)"; \
	tools/wine-env.sh build/$$arch $$arch && \
	cd build/$$arch/bin && \
	{ WINEPREFIX=$$PWD/../wine-prefix WINEDEBUG=-all $$( [ "$$arch" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64 ) \
	  songbeam-host.exe $(DEMO_ARGS); echo $$? > ../demo.status; } | tr -d '\r'; status=$$(cat ../demo.status); \
	WINEPREFIX=$$PWD/../wine-prefix /usr/lib/wine/wineserver64 -k 2>/dev/null; exit $$status

check: build native
	@arch=$$(tools/test-arch.sh); \
	[ "$$arch" = i686 ] || echo "(this machine cannot run 32-bit programs: the tests run the x86_64 build in 64-bit Wine)"; \
	tools/wine-env.sh build/$$arch $$arch && \
	status=0; \
	ctest --test-dir build/native --output-on-failure || status=1; \
	ctest --test-dir build/$$arch --output-on-failure -j $(JOBS) || status=1; \
	WINEPREFIX=$$PWD/build/$$arch/wine-prefix /usr/lib/wine/wineserver64 -k 2>/dev/null; \
	exit $$status

# Further targets, one file per area (release, fuzzing, benchmark, pictures).
include mk/*.mk

clean:
	rm -rf build dist

.PHONY: all deps build native demo check clean
