// The menu entries and the keyboard commands: the selection of the tab (or the whole article
// of the page) is serialised in the page and handed to the native messaging host, which
// passes it to Pagewick. Every failure is shown as a notification, not only on the badge.
"use strict";

// The choice among frames comes from the serialiser (Firefox loads it from the manifest).
if (typeof zelvaneChooseFrame === "undefined") importScripts("serialize.js");

const HOST = "zelvane.host";
const MENU_ID = "zelvane-capture";
const ARTICLE_MENU_ID = "zelvane-article";
const COMMAND = "capture-selection";
const ARTICLE_COMMAND = "capture-article";
const SHORTCUTS_PAGE = "chrome://extensions/shortcuts";

chrome.runtime.onInstalled.addListener(async (details) => {
  chrome.contextMenus.create({ id: MENU_ID, title: "使用Zelvane捕获网文", contexts: ["selection"] });
  chrome.contextMenus.create({ id: ARTICLE_MENU_ID, title: "使用Zelvane捕获整篇文章", contexts: ["page"] });
  // A browser that keeps Alt+Shift+Z for itself leaves the command without a key: say so,
  // and after the install open the page where the key is set (once).
  const commands = await chrome.commands.getAll();
  const command = commands.find((c) => c.name === COMMAND);
  if (command && !command.shortcut) {
    // Where the key is set: the notification also comes after an update, when no page opens.
    const where = chrome.commands.openShortcutSettings ? "about:addons 的齿轮菜单 > 管理扩展快捷键" : SHORTCUTS_PAGE;
    const how = "快捷键未设置：请在 " + where + " 为“使用Zelvane捕获网文”指定一个键（例如 Alt+Shift+Z）。";
    chrome.action.setBadgeText({ text: "键" });
    chrome.action.setTitle({ title: "Zelvane: " + how });
    notify(how);
    if (details.reason === "install") openShortcutSettings();
  }
});

function openShortcutSettings() {
  if (chrome.commands.openShortcutSettings) chrome.commands.openShortcutSettings();   // Firefox
  else chrome.tabs.create({ url: SHORTCUTS_PAGE }).catch(() => {});
}

chrome.contextMenus.onClicked.addListener((info, tab) => {
  if (info.menuItemId === MENU_ID) capture(tab, info);
  else if (info.menuItemId === ARTICLE_MENU_ID) captureArticle(tab, info);
});

chrome.commands.onCommand.addListener((command, tab) => {
  if (command === COMMAND) capture(tab, null);
  else if (command === ARTICLE_COMMAND) captureArticle(tab, null);
});

function notify(message) {
  chrome.notifications.create({ type: "basic", iconUrl: "icons/zelvane-48.png", title: "Zelvane", message });
}

// The outcome on the toolbar button of that tab (a short badge, the reason as its title),
// and a notification for anything but success: the button is often not pinned.
function report(tab, badge, title) {
  const tabId = tab.id;
  chrome.action.setBadgeText({ tabId, text: badge });
  chrome.action.setBadgeBackgroundColor({ tabId, color: badge === "✓" ? "#2e7d32" : "#c62828" });
  chrome.action.setTitle({ tabId, title: "Zelvane: " + title });
  if (badge === "✓") setTimeout(() => chrome.action.setBadgeText({ tabId, text: "" }), 3000);
  else notify(title);
}

async function activeTab(tab) {
  if (tab && tab.id !== undefined) return tab;
  [tab] = await chrome.tabs.query({ active: true, currentWindow: true });
  return tab;
}

// What the browser itself knows of the selection, for pages where no script runs (a PDF
// viewer, a frame of another site, the browser's own pages): plain text, escaped.
function fromSelectionText(tab, info) {
  const text = info && info.selectionText ? info.selectionText.trim() : "";
  if (!text) return null;
  const html = text.split(/\r?\n/).map(zelvaneEscapeHtml).join("<br>");
  return { url: info.frameUrl || info.pageUrl || tab.url || "", title: tab.title || "", html };
}

async function capture(tab, info) {
  tab = await activeTab(tab);
  if (!tab) return;
  // The menu belongs to the frame it was opened in; the key to the frame that has the focus.
  const target = info && info.frameId !== undefined ? { tabId: tab.id, frameIds: [info.frameId] }
    : { tabId: tab.id, allFrames: true };
  let found = null;
  let failure = null;
  try {
    const results = await chrome.scripting.executeScript({ target, files: ["serialize.js"] });
    const chosen = zelvaneChooseFrame(results);
    found = chosen && chosen.result;
  } catch (e) {
    failure = e.message;
  }
  if (!found) found = fromSelectionText(tab, info);
  if (!found) {
    if (failure) report(tab, "!", "这个网页不能捕获（" + failure + "）");
    else report(tab, "空", "没有选中的内容");
    return;
  }
  send(tab, { url: found.url, title: found.title, html: found.html });
}

// The whole article, without selecting: the page cloned and read by Readability.
async function captureArticle(tab, info) {
  tab = await activeTab(tab);
  if (!tab) return;
  const frameId = info && info.frameId !== undefined ? info.frameId : 0;
  let article;
  try {
    const [first] = await chrome.scripting.executeScript({
      target: { tabId: tab.id, frameIds: [frameId] }, files: ["Readability.js", "serialize.js", "article.js"] });
    article = first && first.result;
  } catch (e) {
    report(tab, "!", "这个网页不能捕获（" + e.message + "）");
    return;
  }
  if (!article || !article.html) {
    report(tab, "空", "这个网页里没有找到文章");
    return;
  }
  send(tab, { url: article.url, title: article.title, html: article.html });
}

async function send(tab, message) {
  let reply;
  try {
    reply = await chrome.runtime.sendNativeMessage(HOST, message);
  } catch (e) {
    reply = { ok: false, error: e.message };
  }
  if (reply && reply.ok) report(tab, "✓", "获取数据完成！");
  else report(tab, "!", "未获取到数据：" + ((reply && reply.error) || "no answer"));
}
