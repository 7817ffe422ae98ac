#include "track/text_copy.h"

size_t CopyText(char *dest, size_t destSize, const char *source, size_t maxLength) {
    if (destSize == 0)
        return 0;
    if (maxLength > destSize - 1)
        maxLength = destSize - 1;
    size_t n = 0;
    while (n < maxLength && source[n] != 0) {
        dest[n] = source[n];
        n++;
    }
    dest[n] = 0;
    return n;
}
