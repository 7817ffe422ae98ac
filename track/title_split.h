// Splitting a playlist title at hyphens. No Windows calls.
#pragma once

// Cuts `title` at every "-" into tokens (runs of other bytes; separators at
// either end and runs of several separators yield no empty token) and stores
// the first token in `artist`, the second in `songTitle`, the third in
// `album`, each cut to 30 bytes and zero-terminated in its 32-byte field. A
// field without a token is left as it is. `title` is only read, whatever its
// length.
void SplitTitleText(const char *title, char *artist, char *songTitle, char *album);
