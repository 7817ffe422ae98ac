# Release targets.
# make dist   the release in dist/: gen_songbeam.dll (32-bit), the installer
#             songbeam-0.1-setup.exe, songbeam-0.1.zip and SHA256SUMS

dist: build
	@tools/make-dist.sh

.PHONY: dist
