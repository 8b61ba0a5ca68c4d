/* Runs lists of private-profile calls under Wine and writes every result, so that the Profile
 * code can be compared with the Windows functions call by call.
 *
 *   ProfileOps.exe SCRIPT OUTPUT
 *
 * SCRIPT has one call a line; an argument is "-" for NULL or ":" followed by its bytes in hex.
 *   F path            the file the next calls use
 *   S sec key def     GetPrivateProfileStringA (a 1024-byte buffer, 8192 when key is NULL)
 *   N                 GetPrivateProfileSectionNamesA (8192 bytes)
 *   L sec             GetPrivateProfileSectionA (65536 bytes)
 *   W sec key value   WritePrivateProfileStringA
 * OUTPUT gets one line per call: the returned number, a space, and the buffer's first
 * returned-number bytes in hex (nothing for a write). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static char *nextToken(char **cursor) {
    char *s = *cursor;
    while (*s == ' ') {
        ++s;
    }
    if (*s == '\0' || *s == '\n' || *s == '\r') {
        *cursor = s;
        return NULL;
    }
    char *start = s;
    while (*s && *s != ' ' && *s != '\n' && *s != '\r') {
        ++s;
    }
    if (*s) {
        *s++ = '\0';
    }
    *cursor = s;
    return start;
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

/* Decodes an argument in place; NULL for "-". */
static char *argument(char **cursor) {
    char *token = nextToken(cursor);
    if (token == NULL || strcmp(token, "-") == 0) {
        return NULL;
    }
    char *out = token;
    const char *in = token + 1;
    while (in[0] && in[1]) {
        *out++ = (char)(hexValue(in[0]) * 16 + hexValue(in[1]));
        in += 2;
    }
    *out = '\0';
    return token;
}

static void report(FILE *out, DWORD count, const char *buffer) {
    fprintf(out, "%lu ", (unsigned long)count);
    for (DWORD i = 0; i < count; ++i) {
        fprintf(out, "%02x", (unsigned char)buffer[i]);
    }
    fputc('\n', out);
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: ProfileOps SCRIPT OUTPUT\n");
        return 2;
    }
    FILE *in = fopen(argv[1], "rb");
    FILE *out = fopen(argv[2], "wb");
    if (in == NULL || out == NULL) {
        fprintf(stderr, "ProfileOps: cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    static char line[1 << 20];
    static char buffer[65536];
    char path[MAX_PATH] = "";
    while (fgets(line, sizeof line, in)) {
        char *cursor = line + 1;
        memset(buffer, 0x5a, sizeof buffer);
        switch (line[0]) {
        case 'F': {
            const char *p = argument(&cursor);
            snprintf(path, sizeof path, "%s", p ? p : "");
            break;
        }
        case 'S': {
            const char *sec = argument(&cursor);
            const char *key = argument(&cursor);
            const char *def = argument(&cursor);
            const DWORD size = key ? 1024 : 8192;
            report(out, GetPrivateProfileStringA(sec, key, def, buffer, size, path), buffer);
            break;
        }
        case 'N':
            report(out, GetPrivateProfileSectionNamesA(buffer, 8192, path), buffer);
            break;
        case 'L': {
            const char *sec = argument(&cursor);
            report(out, GetPrivateProfileSectionA(sec, buffer, sizeof buffer, path), buffer);
            break;
        }
        case 'W': {
            const char *sec = argument(&cursor);
            const char *key = argument(&cursor);
            const char *value = argument(&cursor);
            report(out, WritePrivateProfileStringA(sec, key, value, path) ? 1 : 0, buffer);
            break;
        }
        default:
            break;
        }
    }
    fclose(out);
    fclose(in);
    return 0;
}
