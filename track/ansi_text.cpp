#include "track/ansi_text.h"

// The length without a lead byte whose second byte was cut off.
static size_t CompleteLength(const char *text, size_t length) {
    size_t i = 0;
    while (i < length) {
        if (IsDBCSLeadByte((BYTE)text[i])) {
            if (i + 1 >= length)
                return i;
            i += 2;
        } else {
            i++;
        }
    }
    return length;
}

void AppendAnsi(FieldWriter *writer, const char *text, size_t length) {
    // Each byte gives one code unit at most, and a field holds fewer units
    // than these bytes give at least.
    const size_t TAKEN = 2 * FIELD_UNITS;
    WCHAR wide[TAKEN];
    length = CompleteLength(text, length < TAKEN ? length : TAKEN);
    int units = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text, (int)length, wide, TAKEN);
    AppendUnits(writer, wide, units > 0 ? (size_t)units : 0);
}

WCHAR *WidenWholeText(const char *text, int bytes, WCHAR *buffer, int capacity, int *length) {
    *length = 0;
    if (bytes == 0)
        return buffer;
    int units = MultiByteToWideChar(CP_ACP, 0, text, bytes, NULL, 0);
    if (units <= 0)
        return NULL;
    WCHAR *wide = buffer;
    if (units > capacity) {
        wide = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)units * sizeof(WCHAR));
        if (wide == NULL)
            return NULL;
    }
    *length = MultiByteToWideChar(CP_ACP, 0, text, bytes, wide, units);
    return wide;
}

void ReleaseWideText(WCHAR *text, WCHAR *buffer) {
    if (text != NULL && text != buffer)
        HeapFree(GetProcessHeap(), 0, text);
}
