#pragma once
// Installs the native messaging host of the browser extension for the user:
// the host manifests that let Firefox, Chromium, Chrome and Edge start
// qlo-browser-host (the program beside qloctl) when the extension asks for it.
//
// Linux: one manifest file per browser, in the user's folders:
//   Firefox   ~/.mozilla/native-messaging-hosts/<name>.json
//   Chromium  ${XDG_CONFIG_HOME:-~/.config}/chromium/NativeMessagingHosts/<name>.json
//   Chrome    ${XDG_CONFIG_HOME:-~/.config}/google-chrome/NativeMessagingHosts/<name>.json
//   Edge      ${XDG_CONFIG_HOME:-~/.config}/microsoft-edge/NativeMessagingHosts/<name>.json
// Windows: two manifest files in %APPDATA%\Orvanta\BrowserHost (<name>.firefox.json
// and <name>.chromium.json), each named by the default value of the
// browsers' per-user registry keys:
//   HKCU\Software\Mozilla\NativeMessagingHosts\<name>            (Firefox)
//   HKCU\Software\Chromium\NativeMessagingHosts\<name>           (Chromium)
//   HKCU\Software\Google\Chrome\NativeMessagingHosts\<name>      (Chrome)
//   HKCU\Software\Microsoft\Edge\NativeMessagingHosts\<name>     (Edge)
// <name> is kBrowserHostName (browser_host_identity.h).

#include <string>

// The exit status of qloctl: 0 done, 1 failed. `message` receives what was
// done (one line per browser) or why it failed, without the program name.
int InstallBrowserHost(std::string& message);
// Removes what InstallBrowserHost wrote (what is missing already is fine).
int UninstallBrowserHost(std::string& message);

// The host manifest naming the program at `hostPath`, for Firefox (which
// names the extension by its id) or for the Chromium family (by its origin).
std::string BrowserHostManifest(const std::string& hostPath, bool firefox);
