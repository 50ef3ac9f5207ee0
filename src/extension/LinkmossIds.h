// The extension's fixed identifiers. The class, interface and library ids come
// from Linkmoss.idl (and are repeated in MyComOut.rgs); they never change.
#pragma once
#include <windows.h>
#include <string>
#include "Linkmoss_h.h"

// {26ED47F2-8FCB-4E32-8437-88CE601EFC3C}
extern const GUID APPID_Linkmoss;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::wstring GuidString(REFGUID guid);
