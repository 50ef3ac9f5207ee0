// Registers a type library for the current user only, under HKCU\Software\Classes.
//
// The platform's machine-wide registration writes HKLM, which a user without
// administrator rights may not do, so the keys a registration would make are
// written here directly: TypeLib\{libid}\<ver>\<lcid>\<win32|win64>, FLAGS and
// HELPDIR, and one Interface\{iid} key per dual or automation interface with
// the automation marshaller. Unregistering removes this file's platform entry
// and every key that is left empty by that; the TypeLib and Interface parents stay.
#pragma once
#include <windows.h>
#include <string>

HRESULT RegisterTypeLibraryForUser(const std::wstring& path);
HRESULT UnregisterTypeLibraryForUser(const std::wstring& path);

// HKCU\Software\Classes, opened for reading and writing (created when missing).
HKEY OpenUserClasses();
