// Registration of the native messaging host "zelvane.host" for the browsers of the current
// user: the host manifests beside the program and the registry keys that name them.
#pragma once
#include <string>

extern const wchar_t kNativeHostName[];     // "zelvane.host"
extern const wchar_t kNativeHostExe[];      // "ZelvaneHost.exe", beside the program
extern const wchar_t kChromiumManifest[];   // manifest file names in the program folder
extern const wchar_t kFirefoxManifest[];
extern const char kChromeExtensionOrigin[];   // the extension's id in Chromium-based browsers
extern const char kFirefoxExtensionId[];      // and in Firefox

// Manifest texts (UTF-8 JSON) for a host at hostPath.
std::string ChromiumHostManifest(const std::wstring& hostPath);
std::string FirefoxHostManifest(const std::wstring& hostPath);
// Writes both manifests into appDir and points the Chrome, Edge, Chromium and Firefox
// keys under HKCU at them. False when a file or a key could not be written.
bool RegisterNativeHost(const std::wstring& appDir);
// Removes both manifests from appDir and the four keys; then each parent key up to
// the vendor's (NativeMessagingHosts, Chrome, Google, ...) that is left empty, as a
// registration on a machine without that browser created them.
void UnregisterNativeHost(const std::wstring& appDir);
