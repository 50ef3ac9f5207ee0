// Runs in the page (injected by background.js, and loaded by the serialiser's test page):
// the selection as HTML, with the page address and title, or null when nothing is selected.
// The script's last expression is its result.

/* exported zelvaneSerializeSelection */
var zelvaneSerializeSelection = function (doc, selection) {
  "use strict";
  // Attributes that hold one address, and those that hold a list of "address width" pairs.
  var URL_ATTRIBUTES = ["src", "href", "poster", "data-src", "data-original", "data-lazy-src", "data-url"];
  var SRCSET_ATTRIBUTES = ["srcset", "data-srcset", "data-lazy-srcset"];
  var LAZY_SOURCES = ["data-src", "data-original", "data-lazy-src", "data-url"];
  // Cut out of a table or a list, cells and items need their parents to stay cells and items.
  var STRUCTURE = /^(TABLE|THEAD|TBODY|TFOOT|TR|COLGROUP|UL|OL|DL)$/;

  function absolute(value) {
    var trimmed = value.trim();
    if (trimmed === "" || trimmed.charAt(0) === "#") return value;
    try {
      return new URL(trimmed, doc.baseURI).href;
    } catch (e) {
      return value;
    }
  }

  function absoluteSrcset(value) {
    return value.split(",").map(function (candidate) {
      var parts = candidate.trim().split(/\s+/);
      if (parts[0]) parts[0] = absolute(parts[0]);
      return parts.join(" ");
    }).join(", ");
  }

  function fixElement(el) {
    URL_ATTRIBUTES.forEach(function (name) {
      if (el.hasAttribute(name)) el.setAttribute(name, absolute(el.getAttribute(name)));
    });
    SRCSET_ATTRIBUTES.forEach(function (name) {
      if (el.hasAttribute(name)) el.setAttribute(name, absoluteSrcset(el.getAttribute(name)));
    });
    if (el.tagName === "IMG") {
      // A lazy picture not yet loaded has a placeholder (or nothing) as src; the saved
      // text needs the real picture, so its address becomes src and the lazy attribute stays.
      var src = el.getAttribute("src") || "";
      if (src === "" || /^data:/i.test(src)) {
        for (var i = 0; i < LAZY_SOURCES.length; i++) {
          var lazy = el.getAttribute(LAZY_SOURCES[i]);
          if (lazy) {
            el.setAttribute("src", lazy);
            break;
          }
        }
      }
    }
  }

  function wrapInStructure(range, fragment) {
    var node = range.commonAncestorContainer;
    if (node.nodeType !== 1) node = node.parentNode;
    var content = fragment;
    while (node && node.nodeType === 1 && STRUCTURE.test(node.tagName)) {
      var shell = node.cloneNode(false);
      shell.appendChild(content);
      content = shell;
      if (node.tagName === "TABLE" || node.tagName === "UL" || node.tagName === "OL" || node.tagName === "DL") break;
      node = node.parentNode;
    }
    return content;
  }

  function hasContent(container) {
    return container.textContent.trim() !== "" || container.querySelector("img, picture, video, table, hr") !== null;
  }

  selection = selection || doc.getSelection();
  if (!selection || selection.rangeCount === 0) return null;
  var html = "";
  for (var r = 0; r < selection.rangeCount; r++) {
    var range = selection.getRangeAt(r);
    if (range.collapsed) continue;
    var container = doc.createElement("div");
    container.appendChild(wrapInStructure(range, range.cloneContents()));
    Array.prototype.forEach.call(container.querySelectorAll("script"), function (s) { s.remove(); });
    Array.prototype.forEach.call(container.querySelectorAll("*"), fixElement);
    if (hasContent(container)) html += container.innerHTML;
  }
  if (html === "") return null;
  return { url: doc.URL, title: doc.title, html: html };
};

zelvaneSerializeSelection(document);
