// Runs in the page (injected by background.js, and loaded by the serialiser's test page):
// the selection as HTML, with the page address and title and whether this frame has the
// focus, or null when nothing is selected. The script's last expression is its result.
// background.js loads it too, for the choice among frames.

/* exported zelvaneSerializeSelection, zelvaneFixAddresses, zelvaneChooseFrame, zelvaneEscapeHtml */
var zelvaneFixAddresses, zelvaneChooseFrame, zelvaneEscapeHtml;
var zelvaneSerializeSelection = (function () {
  "use strict";
  // Attributes that hold one address, and those that hold a list of "address width" pairs.
  var URL_ATTRIBUTES = ["src", "href", "poster", "data-src", "data-original", "data-lazy-src", "data-url"];
  var SRCSET_ATTRIBUTES = ["srcset", "data-srcset", "data-lazy-srcset"];
  var LAZY_SOURCES = ["data-src", "data-original", "data-lazy-src", "data-url"];
  // Cut out of a table or a list, cells and items need their parents to stay cells and items.
  var STRUCTURE = /^(TABLE|THEAD|TBODY|TFOOT|TR|COLGROUP|UL|OL|DL)$/;
  var OUTERMOST = /^(TABLE|UL|OL|DL)$/;

  function absolute(doc, value) {
    var trimmed = value.trim();
    if (trimmed === "" || trimmed.charAt(0) === "#") return value;
    try {
      return new URL(trimmed, doc.baseURI).href;
    } catch (e) {
      return value;
    }
  }

  // The candidates of a srcset as browsers read them: an address is a run of non-spaces (it
  // may hold commas, as "w_400,h_300/a.jpg" or a data: address does); commas that end it
  // separate candidates; the descriptors run to the next comma.
  function parseSrcset(value) {
    var candidates = [];
    var at = 0;
    while (at < value.length) {
      while (at < value.length && /[\s,]/.test(value.charAt(at))) at++;
      if (at >= value.length) break;
      var start = at;
      while (at < value.length && !/\s/.test(value.charAt(at))) at++;
      var url = value.slice(start, at);
      var descriptors = "";
      if (/,$/.test(url)) {
        url = url.replace(/,+$/, "");
      } else {
        var rest = value.slice(at);
        var comma = rest.search(/,/);
        var paren = rest.indexOf("(");
        // A comma inside parentheses (a future descriptor) does not end the candidate.
        if (paren >= 0 && (comma < 0 || paren < comma)) comma = rest.indexOf(",", Math.max(rest.indexOf(")", paren), paren));
        descriptors = (comma < 0 ? rest : rest.slice(0, comma)).trim();
        at += comma < 0 ? rest.length : comma + 1;
      }
      if (url) candidates.push({ url: url, descriptors: descriptors });
    }
    return candidates;
  }

  function absoluteSrcset(doc, value) {
    return parseSrcset(value).map(function (c) {
      return absolute(doc, c.url) + (c.descriptors ? " " + c.descriptors : "");
    }).join(", ");
  }

  function fixElement(doc, el) {
    URL_ATTRIBUTES.forEach(function (name) {
      if (el.hasAttribute(name)) el.setAttribute(name, absolute(doc, el.getAttribute(name)));
    });
    SRCSET_ATTRIBUTES.forEach(function (name) {
      if (el.hasAttribute(name)) el.setAttribute(name, absoluteSrcset(doc, el.getAttribute(name)));
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

  // Scripts out, addresses absolute, lazy pictures resolved: for a selection and an article.
  function fixAddresses(doc, container) {
    Array.prototype.forEach.call(container.querySelectorAll("script"), function (s) { s.remove(); });
    Array.prototype.forEach.call(container.querySelectorAll("*"), function (el) { fixElement(doc, el); });
  }

  // The picture the browser shows (of a srcset or a <picture>) is the one the reader saw:
  // a clone has not loaded anything, so it is taken from the page's own pictures.
  function takeCurrentSources(range, fragment) {
    var root = range.commonAncestorContainer;
    if (root.nodeType !== 1) root = root.parentNode;
    var shown = Array.prototype.filter.call(root.querySelectorAll("img"), function (img) {
      return range.intersectsNode(img);
    });
    if (root.tagName === "IMG") shown = [root];
    var clones = fragment.querySelectorAll("img");
    if (clones.length !== shown.length) return;
    shown.forEach(function (img, i) {
      var current = img.currentSrc || "";
      if (current !== "" && !/^data:/i.test(current)) clones[i].setAttribute("src", current);
    });
  }

  function hasContent(node) {
    return node.textContent.trim() !== "" || node.querySelector("img, picture, video, table, hr") !== null;
  }

  // Puts a range's content into out, inside copies of the table or list it was cut from.
  // Consecutive ranges of one table (Firefox selects table cells one range per cell) share
  // the copies, so they make one table with each id once.
  function appendRange(range, fragment, out, shells) {
    var chain = [];
    var node = range.commonAncestorContainer;
    if (node.nodeType !== 1) node = node.parentNode;
    while (node && node.nodeType === 1 && STRUCTURE.test(node.tagName)) {
      chain.unshift(node);
      if (OUTERMOST.test(node.tagName)) break;
      node = node.parentNode;
    }
    if (chain.length === 0 || shells.get(chain[0]) !== out.lastChild) shells.clear();
    var parent = out;
    chain.forEach(function (original) {
      var shell = shells.get(original);
      if (!shell) {
        shell = original.cloneNode(false);
        parent.appendChild(shell);
        shells.set(original, shell);
      }
      parent = shell;
    });
    parent.appendChild(fragment);
  }

  // The open shadow roots of a document, at any depth.
  function shadowRoots(doc) {
    var roots = [];
    (function walk(root) {
      Array.prototype.forEach.call(root.querySelectorAll("*"), function (el) {
        if (el.shadowRoot) {
          roots.push(el.shadowRoot);
          walk(el.shadowRoot);
        }
      });
    })(doc);
    return roots;
  }

  // The selection's ranges. One inside a shadow tree collapses to its host in getRangeAt;
  // getComposedRanges keeps where it really is.
  function selectedRanges(doc, selection) {
    var ranges = [];
    var i;
    if (typeof selection.getComposedRanges === "function") {
      var roots = shadowRoots(doc);
      if (roots.length > 0) {
        var composed;
        try {
          composed = selection.getComposedRanges({ shadowRoots: roots });
        } catch (e) {
          composed = selection.getComposedRanges.apply(selection, roots);
        }
        for (i = 0; i < composed.length; i++) {
          var c = composed[i];
          if (c.startContainer.getRootNode() !== c.endContainer.getRootNode()) continue;
          var range = doc.createRange();
          range.setStart(c.startContainer, c.startOffset);
          range.setEnd(c.endContainer, c.endOffset);
          ranges.push(range);
        }
        if (ranges.length > 0) return ranges;
      }
    }
    for (i = 0; i < selection.rangeCount; i++) ranges.push(selection.getRangeAt(i));
    return ranges;
  }

  // hasFocus() is true for a page also while one of its frames has the focus; the page's
  // own selection is then an old one, and the frame's is the one just made.
  function holdsFocus(doc) {
    var active = doc.activeElement;
    return doc.hasFocus() && !(active && /^I?FRAME$/.test(active.tagName));
  }

  zelvaneFixAddresses = fixAddresses;

  // Of the frames' results ({frameId, result}), the one to capture: a frame that has the
  // focus and a selection, else the first with a selection (an old selection elsewhere
  // must not win over the one just made).
  zelvaneChooseFrame = function (frames) {
    var withHtml = frames.filter(function (f) { return f && f.result && f.result.html; });
    var focused = withHtml.filter(function (f) { return f.result.focused; });
    return (focused[0] || withHtml[0] || null);
  };

  zelvaneEscapeHtml = function (text) {
    return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
  };

  return function (doc, selection) {
    selection = selection || doc.getSelection();
    if (!selection || selection.rangeCount === 0) return null;
    var out = doc.createElement("div");
    var shells = new Map();
    selectedRanges(doc, selection).forEach(function (range) {
      if (range.collapsed) return;
      var fragment = range.cloneContents();
      if (!hasContent(fragment)) return;
      takeCurrentSources(range, fragment);
      appendRange(range, fragment, out, shells);
    });
    fixAddresses(doc, out);
    if (out.innerHTML === "") return null;
    return { url: doc.URL, title: doc.title, html: out.innerHTML, focused: holdsFocus(doc) };
  };
})();

typeof document === "undefined" ? null : zelvaneSerializeSelection(document);
