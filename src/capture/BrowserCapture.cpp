#include "capture/BrowserCapture.h"
#include "editor/HtmlText.h"

CaptureOutcome TakeBrowserCapture(CHtmlEditView* mainView, const std::wstring& pageUrl, const std::wstring& html) {
    std::wstring resolved = htmltext::RewriteUrls(html, [&](const std::wstring& v) {
        return htmltext::ResolveUrl(pageUrl, v);
    });
    return AppendToEditor(mainView, &resolved, {}, false);
}
