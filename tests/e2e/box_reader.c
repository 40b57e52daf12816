/* Stands in for a user in front of the player's message box. Run as
 *     box_reader.exe CAPTION SECONDS
 * it waits up to SECONDS for a message box captioned CAPTION, prints each line of
 * its text as "text: ...", then the class of every visible top-level window as
 * "window: ...", all in UTF-8, and presses OK. Exit status 1 when no box came. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static void printUtf8(const char *prefix, const wchar_t *text)
{
    char bytes[4096];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL) > 0) {
        printf("%s%s\n", prefix, bytes);
    }
}

static BOOL CALLBACK printStaticText(HWND child, LPARAM unused)
{
    wchar_t className[64];
    wchar_t text[2048];
    (void)unused;
    if (GetClassNameW(child, className, 64) > 0 && lstrcmpiW(className, L"Static") == 0 &&
        GetWindowTextW(child, text, 2048) > 0) {
        printUtf8("text: ", text);
    }
    return TRUE;
}

static BOOL CALLBACK printVisibleWindow(HWND window, LPARAM unused)
{
    wchar_t className[256];
    (void)unused;
    if (IsWindowVisible(window) && GetClassNameW(window, className, 256) > 0) {
        printUtf8("window: ", className);
    }
    return TRUE;
}

int main(void)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == NULL || argc != 3) {
        fprintf(stderr, "usage: box_reader.exe CAPTION SECONDS\n");
        return 2;
    }
    const long tries = wcstol(argv[2], NULL, 10) * 10;
    HWND box = NULL;
    for (long i = 0; i < tries && box == NULL; ++i) {
        box = FindWindowW(L"#32770", argv[1]);
        if (box == NULL) {
            Sleep(100);
        }
    }
    if (box == NULL) {
        fprintf(stderr, "box_reader: no message box appeared\n");
        return 1;
    }
    EnumChildWindows(box, printStaticText, 0);
    EnumWindows(printVisibleWindow, 0);
    fflush(stdout);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}
