#pragma once
// Who may start the native messaging host, as the browsers' host manifests
// say it: the host's registered name and the browser extension's ids (fixed
// by the extension's manifests in browser/: the Chromium id follows from the
// public key in browser/chromium.json, the Firefox id is named in
// browser/firefox.json).

inline constexpr char kBrowserHostName[] = "com.belvane.orvanta.qlo_browser_host";
inline constexpr char kBrowserHostDescription[] = "Orvanta: the addresses of the pages you look at, for the collector";
inline constexpr char kChromiumExtensionOrigin[] = "chrome-extension://ihippgmdcbljpnikbccimeilhfknanjf/";
inline constexpr char kFirefoxExtensionId[] = "qlo-browser@belvane.orvanta";
