// Tells the collector's native messaging host the address and title of the
// active tab of the browser's focused window, whenever the tab, its address,
// its title or the focused window changes, and that a window has closed.
// Nothing else leaves the browser: no history, no other tabs, and never a
// private (incognito) window; the manifest keeps the extension out of them
// and every report checks again.
//
// Messages to the host: {"window": <window id>, "url": <text>, "title": <text>}
// and {"window": <window id>, "closed": true}. The host asks for the current
// state with {"resend": true} whenever it (re)connects to the collector.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "com.belvane.orvanta.qlo_browser_host";
// The collector keeps 511 characters of an address; nothing longer is sent.
const MAX_URL = 2048;
const MAX_TITLE = 1024;
const RETRY_MS = 60000;

let port = null;
let retryTimer = null;

function connect() {
  if (port) return;
  clearTimeout(retryTimer);
  retryTimer = null;
  try {
    port = api.runtime.connectNative(HOST);
  } catch (error) {
    port = null;
    retryLater();
    return;
  }
  port.onMessage.addListener((message) => {
    if (message && message.resend === true) reportFocusedWindow();
  });
  // The host ended or is not installed: try again later; every browser
  // event also tries again at once.
  port.onDisconnect.addListener(() => {
    port = null;
    retryLater();
  });
  reportFocusedWindow();
}

function retryLater() {
  if (!retryTimer) retryTimer = setTimeout(connect, RETRY_MS);
}

function send(message) {
  if (!port) return;
  try {
    port.postMessage(message);
  } catch (error) {
    port = null;
    retryLater();
  }
}

function reportTab(tab) {
  if (!tab || tab.incognito) return;
  send({
    window: tab.windowId,
    url: String(tab.url ?? "").slice(0, MAX_URL),
    title: String(tab.title ?? "").slice(0, MAX_TITLE),
  });
}

// The active tab of the window that has, or last had, the browser's focus.
async function reportFocusedWindow() {
  if (!port) {
    connect();
    return;  // connecting reports
  }
  let tabs;
  try {
    tabs = await api.tabs.query({ active: true, lastFocusedWindow: true });
  } catch (error) {
    return;  // no window at all
  }
  reportTab(tabs[0]);
}

api.tabs.onActivated.addListener(reportFocusedWindow);
api.tabs.onReplaced.addListener(reportFocusedWindow);
api.tabs.onUpdated.addListener((tabId, change, tab) => {
  if ((change.url !== undefined || change.title !== undefined) && tab.active) reportFocusedWindow();
});
api.windows.onFocusChanged.addListener((windowId) => {
  if (windowId !== api.windows.WINDOW_ID_NONE) reportFocusedWindow();
});
api.windows.onRemoved.addListener((windowId) => send({ window: windowId, closed: true }));

connect();
