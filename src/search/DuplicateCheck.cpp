#include "search/DuplicateCheck.h"
#include "search/LibrarySearch.h"
#include "search/ReaderText.h"

std::wstring DuplicateNotice(LibrarySearch* search, const std::wstring& pastedHtml, const std::wstring& editorHtml) {
    std::wstring text = FoldForSearch(ExtractReaderText(pastedHtml).body);
    if (text.empty()) return L"";
    if (FoldForSearch(ExtractReaderText(editorHtml).body).find(text) != std::wstring::npos)
        return L"这段网文已在编辑器中";
    SearchHit where;
    if (!search || !search->FindSaved(text, where)) return L"";
    return L"这段网文已保存在：" + (where.folder.empty() ? where.name : where.folder + L"\\" + where.name);
}
