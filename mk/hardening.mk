# make fuzz [FUZZ_SECONDS=N] [FUZZ_TARGETS="file id3v2"]
#                             run each fuzzer N seconds (default 60) on the native build
# make bench                  time the update cycle against the raw Windows calls, in Wine
FUZZ_SECONDS = 60
FUZZ_TARGETS = tag title id3v2 flac file

fuzz: native
	@status=0; \
	for target in $(FUZZ_TARGETS); do \
	  corpus=build/native/tests/native/corpus/$$target; mkdir -p $$corpus; \
	  echo "== fuzz_$$target, $(FUZZ_SECONDS) s"; \
	  build/native/tests/native/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -timeout=10 -rss_limit_mb=1024 -max_len=$$(cat build/native/tests/native/fuzz_$$target.max_len) \
	    -artifact_prefix=build/native/tests/native/ \
	    $$corpus tests/native/seeds/$$target 2>build/native/fuzz_$$target.log || status=1; \
	  grep -E '^#[0-9]+[[:space:]]+DONE|^Done|ERROR|runtime error' build/native/fuzz_$$target.log; \
	done; exit $$status

bench: build
	@arch=$$($(ARCH)) || exit 1; \
	i686-w64-mingw32-strip -o build/i686/gen_songbeam.stripped.dll build/i686/bin/gen_songbeam.dll && \
	echo "gen_songbeam.dll (i686, stripped): $$(wc -c < build/i686/gen_songbeam.stripped.dll) bytes (target 57344)" && \
	rm -f build/i686/gen_songbeam.stripped.dll && \
	tools/wine-env.sh build/$$arch $$arch && \
	( cd build/$$arch/bin && \
	  WINEPREFIX=$$PWD/../wine-prefix WINEDEBUG=-all $$( [ "$$arch" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64 ) \
	    bench.exe > ../bench.out 2>&1 ); status=$$?; tr -d '\r' < build/$$arch/bench.out; \
	WINEPREFIX=$$PWD/build/$$arch/wine-prefix $(WINESERVER) -k 2>/dev/null; \
	$(ARCH) --say "the benchmark"; exit $$status

.PHONY: fuzz bench
