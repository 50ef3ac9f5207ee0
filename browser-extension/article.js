// Runs in the page after Readability.js and serialize.js: the page's article (read from a
// clone, so the page itself is left alone) as HTML with its title and byline, addresses
// made absolute and lazy pictures resolved as for a selection; null when there is none.
/* global Readability, zelvaneFixAddresses */
(function () {
  "use strict";
  function textElement(doc, tag, text) {
    var el = doc.createElement(tag);
    el.textContent = text;
    return el;
  }
  var article;
  try {
    article = new Readability(document.cloneNode(true)).parse();
  } catch (e) {
    return null;
  }
  if (!article || !article.content || (article.textContent || "").trim() === "") return null;
  // Parsed into a document of its own: nothing there runs or loads while it is fixed.
  var parsed = new DOMParser().parseFromString(article.content, "text/html");
  var body = parsed.body;
  var title = article.title || document.title;
  if (article.byline) body.insertBefore(textElement(parsed, "p", article.byline), body.firstChild);
  if (title) body.insertBefore(textElement(parsed, "h1", title), body.firstChild);
  zelvaneFixAddresses(document, body);
  return { url: document.URL, title: title, html: body.innerHTML };
})();
