#include "app/PagewickApp.h"
#include "app/Unregister.h"
#include "settings/AppDir.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    CommandLineSwitch option = SwitchOf(commandLine);
    if (option == CommandLineSwitch::Unregister) return UnregisterEverything(GetAppDir());
    CPagewickApp app;
    if (!app.InitInstance(CommandLineFile(commandLine), option == CommandLineSwitch::Installed)) return 1;
    return app.Run();
}
