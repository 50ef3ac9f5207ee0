#include <initguid.h>
#include "LinkmossIds.h"
#include <objbase.h>

const GUID APPID_Linkmoss = {0x26ed47f2, 0x8fcb, 0x4e32, {0x84, 0x37, 0x88, 0xce, 0x60, 0x1e, 0xfc, 0x3c}};

std::wstring GuidString(REFGUID guid) {
    wchar_t buf[40] = {};
    StringFromGUID2(guid, buf, 40);
    return buf;
}
