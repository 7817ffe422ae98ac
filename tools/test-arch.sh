#!/bin/sh
# Prints the Windows architecture whose programs Wine can run here: i686 when
# the kernel runs 32-bit programs (so 32-bit Wine works), else x86_64. The
# plug-in ships as i686 either way; on a machine without 32-bit support the
# tests run the same sources built for x86_64 in 64-bit Wine.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
else
    echo x86_64
fi
