// The module object of Linkmoss.dll: its instance, the counts that decide
// whether it can be unloaded, and registration.
#pragma once
#include <windows.h>
#include <string>

class CLinkmossModule {
public:
    void Init(HINSTANCE instance) { m_instance = instance; }
    HINSTANCE Instance() const { return m_instance; }
    // Full path of the library file, at any length.
    std::wstring ModulePath() const;

    // Server locks: IClassFactory::LockServer and references to the cached factories.
    void Lock() { InterlockedIncrement(&m_locks); }
    void Unlock() { InterlockedDecrement(&m_locks); }
    void ObjectCreated() { InterlockedIncrement(&m_objects); }
    void ObjectDestroyed() { InterlockedDecrement(&m_objects); }
    bool CanUnload() const { return m_locks == 0 && m_objects == 0; }

    // Script 101, the class scripts, then the type library; the first failure is returned.
    HRESULT RegisterServer();
    // Class scripts and type library first, script 101 last; stops at the first failure.
    HRESULT UnregisterServer();

private:
    HINSTANCE m_instance = nullptr;
    volatile LONG m_locks = 0;
    volatile LONG m_objects = 0;
};

extern CLinkmossModule g_module;
