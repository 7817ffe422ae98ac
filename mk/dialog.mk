# Targets for the configuration dialog.
# make screenshot    regenerates docs/dialog.png: the dialog as Wine draws it on
#                    a virtual screen (Xvfb); builds in build/screenshot
# make dialog-demo   the demo with the dialog open first, on your own display
#                    (DISPLAY set); close the dialog to let the playlist play

screenshot: deps
	@tools/screenshot-dialog.sh

dialog-demo:
	@[ -n "$${DISPLAY:-}" ] || { echo "dialog-demo: needs a display (DISPLAY), or run it under xvfb-run" >&2; exit 1; }
	@SONGBEAM_DISPLAY=1 $(MAKE) demo DEMO_ARGS=--dialog

.PHONY: screenshot dialog-demo

# make screenshots   every picture README.md shows: the dialog, the installer's
#                    pages and the monitor (tools/screenshot-*.sh, under Xvfb),
#                    with the fonts for non-Latin text and emoji
screenshots:
	@tools/install-deps.sh screenshots && tools/screenshot-dialog.sh && tools/screenshot-release.sh

.PHONY: screenshots
