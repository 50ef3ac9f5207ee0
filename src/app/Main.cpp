#include "app/PagewickApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    CPagewickApp app;
    if (!app.InitInstance(CommandLineFile(commandLine))) return 1;
    return app.Run();
}
