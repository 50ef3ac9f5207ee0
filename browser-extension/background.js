// The menu entry and the keyboard command: the selection of the tab is serialised in the
// page and handed to the native messaging host, which passes it to Pagewick.
"use strict";

const HOST = "zelvane.host";
const MENU_ID = "zelvane-capture";
const COMMAND = "capture-selection";

chrome.runtime.onInstalled.addListener(async () => {
  chrome.contextMenus.create({ id: MENU_ID, title: "使用Zelvane捕获网文", contexts: ["selection"] });
  // A browser that keeps Alt+Shift+Z for itself leaves the command without a key: say so on
  // the button rather than let the key do nothing.
  const commands = await chrome.commands.getAll();
  const command = commands.find((c) => c.name === COMMAND);
  if (command && !command.shortcut) {
    chrome.action.setBadgeText({ text: "键" });
    chrome.action.setTitle({ title: "Zelvane: 快捷键未设置，请在浏览器的扩展快捷键设置中为“使用Zelvane捕获网文”指定 Alt+Shift+Z" });
  }
});

chrome.contextMenus.onClicked.addListener((info, tab) => {
  if (info.menuItemId === MENU_ID) capture(tab);
});

chrome.commands.onCommand.addListener((command, tab) => {
  if (command === COMMAND) capture(tab);
});

// The outcome on the toolbar button of that tab: a short badge and the reason as its title.
function report(tab, badge, title) {
  const tabId = tab.id;
  chrome.action.setBadgeText({ tabId, text: badge });
  chrome.action.setBadgeBackgroundColor({ tabId, color: badge === "✓" ? "#2e7d32" : "#c62828" });
  chrome.action.setTitle({ tabId, title: "Zelvane: " + title });
  if (badge === "✓") setTimeout(() => chrome.action.setBadgeText({ tabId, text: "" }), 3000);
}

async function capture(tab) {
  if (!tab || tab.id === undefined) [tab] = await chrome.tabs.query({ active: true, currentWindow: true });
  if (!tab) return;
  let results;
  try {
    results = await chrome.scripting.executeScript({ target: { tabId: tab.id, allFrames: true }, files: ["serialize.js"] });
  } catch (e) {
    report(tab, "!", "这个网页不能捕获（" + e.message + "）");
    return;
  }
  const found = results.map((r) => r.result).find((r) => r && r.html);
  if (!found) {
    report(tab, "空", "没有选中的内容");
    return;
  }
  let reply;
  try {
    reply = await chrome.runtime.sendNativeMessage(HOST, { url: found.url, title: found.title, html: found.html });
  } catch (e) {
    reply = { ok: false, error: e.message };
  }
  if (reply && reply.ok) report(tab, "✓", "获取数据完成！");
  else report(tab, "!", "未获取到数据：" + ((reply && reply.error) || "no answer"));
}
