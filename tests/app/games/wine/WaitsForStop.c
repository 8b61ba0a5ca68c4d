/* A Windows game for the tests: it runs until a file called "stop" appears beside it. */
#include <windows.h>

int main(void) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\') {
        --n;
    }
    lstrcpyA(path + n, "stop");
    while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        Sleep(20);
    }
    return 0;
}
