#include "capture/BrowserCapture.h"
#include "editor/HtmlText.h"

CaptureOutcome TakeBrowserCapture(CHtmlEditView* mainView, const std::wstring& pageUrl, const std::wstring& html,
                                  const ShowBalloonFn& balloon) {
    std::wstring resolved = htmltext::RewriteUrls(html, [&](const std::wstring& v) {
        return htmltext::ResolveUrl(pageUrl, v);
    });
    std::wstring clean = htmltext::CleanCapturedHtml(resolved, htmltext::IsLocalFileAddress(pageUrl));
    return AppendToEditor(mainView, &clean, {}, false, balloon);
}
