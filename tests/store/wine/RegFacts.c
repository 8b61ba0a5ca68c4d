/* Imports registry files with the registry editor of the running Windows and prints what they
 * left in the registry, as plain facts: every key below a root, every value with its type and data
 * bytes, names and data as hexadecimal, so that nothing is lost to an encoding.
 *
 *   RegFacts.exe SCRIPT OUTPUT
 *
 * SCRIPT holds one command a line:
 *   I FILE   clears HKEY_LOCAL_MACHINE\ROOT, runs "regedit /S FILE", waits for it, and prints
 *            "F" and the facts below ROOT, then "E"
 *   R ROOT   sets ROOT (below HKEY_LOCAL_MACHINE) for the following commands
 *
 * Facts: "K PATH" for a key (the path relative to ROOT, "" for ROOT itself) and, after it,
 * "V NAME TYPE DATA" for each of its values; a key that is missing prints nothing. */
#define _WIN32_WINNT 0x0600
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <stdlib.h>

static FILE *out;
static wchar_t root[4096] = L"Software\\Orvalis\\PadWarden\\Diff";

static void hexBytes(const unsigned char *p, DWORD n) {
    DWORD i;
    if (n == 0) {
        fputc('-', out);
    }
    for (i = 0; i < n; ++i) {
        fprintf(out, "%02x", p[i]);
    }
}

static void hexName(const wchar_t *s, DWORD units) {
    /* Names as UTF-16LE bytes: an unpaired surrogate survives as it is. */
    hexBytes((const unsigned char *)s, units * 2);
}

static void dump(HKEY key, wchar_t *path, DWORD pathUnits) {
    static unsigned char data[1 << 20];
    wchar_t name[16384];
    DWORD i, nameUnits, size, type;
    fputs("K ", out);
    hexName(path, pathUnits);
    fputc('\n', out);
    for (i = 0;; ++i) {
        nameUnits = sizeof name / sizeof name[0];
        size = sizeof data;
        if (RegEnumValueW(key, i, name, &nameUnits, NULL, &type, data, &size) != ERROR_SUCCESS) {
            break;
        }
        fputs("V ", out);
        hexName(name, nameUnits);
        fprintf(out, " %lu ", (unsigned long)type);
        hexBytes(data, size);
        fputc('\n', out);
    }
    for (i = 0;; ++i) {
        HKEY child;
        DWORD childUnits;
        nameUnits = sizeof name / sizeof name[0];
        if (RegEnumKeyExW(key, i, name, &nameUnits, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) {
            break;
        }
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) {
            continue;
        }
        childUnits = pathUnits;
        if (childUnits > 0) {
            path[childUnits++] = L'\\';
        }
        if (childUnits + nameUnits + 1 < 65536) {
            memcpy(path + childUnits, name, nameUnits * sizeof(wchar_t));
            path[childUnits + nameUnits] = 0;
            dump(child, path, childUnits + nameUnits);
        }
        path[pathUnits] = 0;
        RegCloseKey(child);
    }
}

static int import(const wchar_t *file) {
    static wchar_t path[65536];
    wchar_t command[8192];
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    HKEY key;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, root);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, root);
    _snwprintf(command, sizeof command / sizeof command[0], L"regedit.exe /S \"%ls\"", file);
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        fprintf(stderr, "RegFacts: cannot start regedit (error %lu)\n", (unsigned long)GetLastError());
        return 0;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    fputs("F\n", out);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        path[0] = 0;
        dump(key, path, 0);
        RegCloseKey(key);
    }
    fputs("E\n", out);
    return 1;
}

int wmain(int argc, wchar_t **argv) {
    FILE *script;
    wchar_t line[8192];
    if (argc != 3) {
        fputs("usage: RegFacts.exe SCRIPT OUTPUT\n", stderr);
        return 2;
    }
    script = _wfopen(argv[1], L"r, ccs=UTF-8");
    out = _wfopen(argv[2], L"wb");
    if (script == NULL || out == NULL) {
        fputs("RegFacts: cannot open the script or the output\n", stderr);
        return 2;
    }
    while (fgetws(line, sizeof line / sizeof line[0], script) != NULL) {
        size_t n = wcslen(line);
        while (n > 0 && (line[n - 1] == L'\n' || line[n - 1] == L'\r')) {
            line[--n] = 0;
        }
        if (n < 2) {
            continue;
        }
        if (line[0] == L'R') {
            wcsncpy(root, line + 2, sizeof root / sizeof root[0] - 1);
        } else if (line[0] == L'I' && !import(line + 2)) {
            return 1;
        }
    }
    fclose(out);
    return 0;
}
