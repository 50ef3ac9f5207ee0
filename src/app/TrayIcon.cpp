#include "app/TrayIcon.h"

void ShowTrayBalloon(int, const wchar_t*, const wchar_t*) {}
