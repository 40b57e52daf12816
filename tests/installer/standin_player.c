/* A stand-in for the media player, installed as winamp.exe in the player folders the
 * setup program is tested against. Run as
 *     winamp.exe FOLDER
 * it shows the player's main window class until the file FOLDER\stop appears (or a
 * minute passes), writing FOLDER\ready once the window exists, so that a test can
 * run the setup program while "the player" is running. */
#include <stdio.h>
#include <windows.h>

static int touch(const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    CloseHandle(file);
    return 1;
}

int main(int argc, char **argv) {
    if (argc != 2) {
        return 0;
    }
    char ready[MAX_PATH];
    char stop[MAX_PATH];
    snprintf(ready, sizeof ready, "%s\\ready", argv[1]);
    snprintf(stop, sizeof stop, "%s\\stop", argv[1]);

    WNDCLASSA windowClass = {0};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "Winamp v1.x";
    if (!RegisterClassA(&windowClass)) {
        return 1;
    }
    HWND window = CreateWindowA("Winamp v1.x", "stand-in player", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                NULL, NULL, windowClass.hInstance, NULL);
    if (!window || !touch(ready)) {
        return 1;
    }
    for (int tick = 0; tick < 600 && GetFileAttributesA(stop) == INVALID_FILE_ATTRIBUTES; ++tick) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(100);
    }
    DestroyWindow(window);
    return 0;
}
