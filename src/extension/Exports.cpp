// The four entry points of the in-process server (exported by name through Linkmoss.def).
#include <windows.h>
#include <objbase.h>
#include "ClassFactory.h"
#include "LinkmossModule.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module.Init(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return g_module.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv) { return GetClassObject(clsid, iid, ppv); }

// Strings and maps may run out of memory; no exception leaves the library.
STDAPI DllRegisterServer() {
    try {
        return g_module.RegisterServer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        return g_module.UnregisterServer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
