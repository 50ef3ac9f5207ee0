// The balloons of the notification-area icon as units below the main frame see them:
// they are handed something that shows one, never the icon itself.
#pragma once
#include <functional>

enum TrayBalloonKind { kBalloonInfo = 1, kBalloonWarning = 2 };

// Puts a balloon on the program's tray icon (empty title and text take a balloon down).
using ShowBalloonFn = std::function<void(int kind, const wchar_t* title, const wchar_t* text)>;
