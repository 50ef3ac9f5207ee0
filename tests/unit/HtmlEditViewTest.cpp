#include <gtest/gtest.h>
#include "editor/HtmlText.h"
#include "editor/PagewickView.h"
#include "resources/resource.h"
#include "support/Harness.h"

namespace {

void PutOnClipboard(HWND owner, const std::string* cfHtml, const std::wstring* text) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    auto put = [](UINT format, const void* data, size_t size) {
        HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(g), data, size);
        GlobalUnlock(g);
        SetClipboardData(format, g);
    };
    if (cfHtml) put(RegisterClipboardFormatW(L"HTML Format"), cfHtml->c_str(), cfHtml->size() + 1);
    if (text) put(CF_UNICODETEXT, text->c_str(), (text->size() + 1) * sizeof(wchar_t));
    CloseClipboard();
}

void EmptyTheClipboard() {
    if (OpenClipboard(nullptr)) { EmptyClipboard(); CloseClipboard(); }
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

class EditorView : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateWindowExW(0, L"STATIC", L"editor test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(parent);
        ASSERT_TRUE(view.Create(parent, AFX_IDW_PANE_FIRST, WS_VISIBLE));
        ASSERT_NE(nullptr, view.Engine());
        doc.SetView(&view);
        EmptyTheClipboard();
    }
    void TearDown() override {
        view.DestroyWindow();
        DestroyWindow(parent);
        EmptyTheClipboard();
    }
    std::wstring Body() {
        std::wstring html;
        EXPECT_TRUE(view.Engine()->GetBodyHtml(html));
        return html;
    }
    HWND Edit() { return view.Engine()->Window(); }
    HWND parent = nullptr;
    CPagewickView view;
    CPagewickDoc doc;
};

TEST_F(EditorView, PasteOfHtmlFormatResolvesAgainstSourceUrl) {
    std::string block = htmltext::BuildCfHtml(L"<P>新闻 <IMG src=\"img/a.png\"><A href='/about.htm'>关于</A></P>",
                                              L"http://example.com/news/page.html");
    std::wstring text = L"plain alternative";
    PutOnClipboard(parent, &block, &text);
    DWORD status = view.Engine()->QueryStatus(kIdmPaste);
    EXPECT_EQ(DWORD(OLECMDF_SUPPORTED | OLECMDF_ENABLED), status & (OLECMDF_SUPPORTED | OLECMDF_ENABLED));
    ASSERT_TRUE(view.ExecGated(kIdmPaste));
    EXPECT_EQ(L"<P>新闻 <IMG src=\"http://example.com/news/img/a.png\">"
              L"<A href='http://example.com/about.htm'>关于</A></P>",
              Body());
    EXPECT_EQ(S_OK, view.Engine()->IsDirty());
    EXPECT_EQ(1, doc.IsModified());
    // The edit window's own paste (keyboard) inserts the same markup, not the plain text.
    std::wstring first = Body();
    view.Engine()->NewDocument();
    SendMessageW(Edit(), WM_PASTE, 0, 0);
    EXPECT_EQ(first, Body());
    EXPECT_EQ(1, doc.IsModified());

    // The hidden view's cycle: read, empty, close.
    ASSERT_TRUE(view.Engine()->SetBodyHtml(L""));
    EXPECT_TRUE(view.Engine()->CloseDocument());
    EXPECT_EQ(L"", Body());
}

TEST_F(EditorView, PasteOfTextEscapesAndMenuCommandsReachTheEngine) {
    std::wstring text = L"a<b> & c\r\nline 2";
    PutOnClipboard(parent, nullptr, &text);
    view.Engine()->SetBodyHtml(L"XY");
    SendMessageW(Edit(), EM_SETSEL, 1, 1);
    view.SendMessage(WM_COMMAND, ID_EDIT_PASTE);
    EXPECT_EQ(L"Xa&lt;b&gt; &amp; c<BR>line 2Y", Body());

    // Copy of a selection carries the markup; pasting it back does not escape it.
    view.Engine()->SetBodyHtml(L"<B>b</B>!");
    SendMessageW(Edit(), EM_SETSEL, 0, 0);
    EXPECT_EQ(DWORD(OLECMDF_SUPPORTED), view.Engine()->QueryStatus(kIdmCopy));
    SendMessageW(Edit(), EM_SETSEL, 0, 8);
    view.SendMessage(WM_COMMAND, ID_EDIT_COPY);
    EXPECT_EQ(L"<B>b</B>", ClipboardText());
    SendMessageW(Edit(), EM_SETSEL, 9, 9);
    view.SendMessage(WM_COMMAND, ID_EDIT_PASTE);
    EXPECT_EQ(L"<B>b</B>!<B>b</B>", Body());

    // Cut removes the selection; undo brings it back.
    SendMessageW(Edit(), EM_SETSEL, 0, 9);
    view.SendMessage(WM_COMMAND, ID_EDIT_CUT);
    EXPECT_EQ(L"<B>b</B>", Body());
    EXPECT_EQ(L"<B>b</B>!", ClipboardText());
    ASSERT_TRUE(view.Engine()->QueryStatus(kIdmUndo) & OLECMDF_ENABLED);
    view.SendMessage(WM_COMMAND, ID_EDIT_UNDO);
    EXPECT_EQ(L"<B>b</B>!<B>b</B>", Body());
}

TEST_F(EditorView, CommandsWithoutTheirConditionAreNotRun) {
    view.Engine()->NewDocument();
    EXPECT_EQ(DWORD(OLECMDF_SUPPORTED), view.Engine()->QueryStatus(kIdmPaste));   // empty clipboard
    EXPECT_FALSE(view.ExecGated(kIdmPaste));
    EXPECT_FALSE(view.IsCommandEnabled(ID_EDIT_PASTE));
    std::wstring text = L"t";
    PutOnClipboard(parent, nullptr, &text);
    EXPECT_TRUE(view.IsCommandEnabled(ID_EDIT_PASTE));
    EXPECT_FALSE(view.IsCommandEnabled(ID_EDIT_COPY));
    EXPECT_FALSE(view.IsCommandEnabled(IDC_FILELIST));   // not an edit command
    EXPECT_EQ(DWORD(OLECMDF_SUPPORTED), view.Engine()->QueryStatus(kIdmCut));     // no selection
    EXPECT_EQ(DWORD(OLECMDF_SUPPORTED), view.Engine()->QueryStatus(kIdmUndo));    // nothing to undo
    EXPECT_EQ(DWORD(OLECMDF_SUPPORTED | OLECMDF_ENABLED), view.Engine()->QueryStatus(kIdmFont));
    EXPECT_EQ(0u, view.Engine()->QueryStatus(12345));
    EXPECT_EQ(L"", Body());
    EXPECT_EQ(0, doc.IsModified());
}

TEST_F(EditorView, ModifiedFlagTransitions) {
    EXPECT_EQ(0, doc.IsModified());
    view.Engine()->SetBodyHtml(L"<P>x</P>");
    EXPECT_EQ(1, doc.IsModified());
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(0, doc.IsModified());
    EXPECT_EQ(L"", Body());
    SendMessageW(Edit(), WM_CHAR, L'字', 1);   // typing
    EXPECT_EQ(L"字", Body());
    EXPECT_EQ(1, doc.IsModified());
    EXPECT_TRUE(doc.SaveModified());          // never asks on its own
    EXPECT_TRUE(view.Engine()->NewDocument());
    EXPECT_EQ(0, doc.IsModified());
    view.Engine()->SetBodyHtml(L"x");
    EXPECT_TRUE(view.Navigate(L"about:blank"));   // the start document: empty and clean
    EXPECT_EQ(L"", Body());
    EXPECT_EQ(0, doc.IsModified());
    // Text of a body holding only markup is empty, whatever the flag says.
    view.Engine()->SetBodyHtml(L"<P><IMG src=\"a.jpg\"></P>");
    std::wstring text = L"?";
    ASSERT_TRUE(view.Engine()->GetBodyText(text));
    EXPECT_EQ(L"", text);
    EXPECT_EQ(1, doc.IsModified());
}

TEST_F(EditorView, NavigateToAUtf16LibraryFile) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring folder = std::wstring(tmp) + L"zelvane 新闻 " + std::to_wstring(GetCurrentProcessId());
    zt::RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring body = L"<P>文字<IMG src=\"images/x.jpg\"><A href='other.htm'>o</A>"
                              L"<A href=\"http://e.com/\">e</A></P>";
    std::wstring page = L"\xFEFF<html><head><title>标题</title></head><body>" + body + L"</body></html>";
    std::string bytes(reinterpret_cast<const char*>(page.data()), page.size() * 2);
    zt::WriteBytes(folder + L"\\page.htm", bytes);

    view.Engine()->SetBodyHtml(L"before");
    EXPECT_FALSE(doc.OnOpenDocument(L""));
    EXPECT_FALSE(view.Navigate(folder + L"\\missing.htm"));
    EXPECT_EQ(L"before", Body());

    ASSERT_TRUE(doc.OnOpenDocument(folder + L"\\page.htm"));
    EXPECT_EQ(folder + L"\\page.htm", doc.GetPathName());
    const std::wstring prefix = htmltext::FolderFileUrl(folder);
    EXPECT_EQ(0u, prefix.find(L"file:///"));
    EXPECT_EQ(L"<P>文字<IMG src=\"" + prefix + L"images/x.jpg\"><A href='" + prefix + L"other.htm'>o</A>"
              L"<A href=\"http://e.com/\">e</A></P>",
              Body());
    EXPECT_EQ(0, doc.IsModified());
    std::wstring text;
    ASSERT_TRUE(view.Engine()->GetBodyText(text));
    EXPECT_EQ(L"文字oe", text);

    // Opening again after edits discards them and is clean again.
    SendMessageW(Edit(), WM_CHAR, L'a', 1);
    EXPECT_EQ(1, doc.IsModified());
    ASSERT_TRUE(view.Navigate(folder + L"\\page.htm"));
    EXPECT_EQ(0, doc.IsModified());
    zt::RemoveTree(folder);
}

// An engine whose document is not available (as before the start page loaded).
class NoDocumentEngine : public HtmlEngine {
public:
    const wchar_t* Name() const override { return L"none"; }
    HWND Window() const override { return nullptr; }
    bool HasDocument() override { return false; }
    bool GetBodyHtml(std::wstring&) override { return false; }
    bool GetBodyText(std::wstring&) override { return false; }
    bool SetCharset(const std::wstring&) override { return false; }
    bool CloseDocument() override { return false; }
    DWORD QueryStatus(DWORD) override { return OLECMDF_SUPPORTED; }
protected:
    bool PutBody(const std::wstring&) override { ADD_FAILURE() << "set a body without a document"; return false; }
    bool InsertAtEnd(const std::wstring&) override { ADD_FAILURE() << "appended without a document"; return false; }
    HRESULT Exec(DWORD) override { ADD_FAILURE() << "ran a command that was not enabled"; return E_FAIL; }
    HRESULT EngineDirty() override { return E_FAIL; }
};

class ViewWithEngine : public CHtmlEditView {
public:
    void Use(std::unique_ptr<HtmlEngine> e) { m_engine = std::move(e); }
};

TEST(EditorDocument, IsModifiedWithoutViewOrDocument) {
    CPagewickDoc doc;
    EXPECT_EQ(0, doc.IsModified());
    ViewWithEngine view;
    doc.SetView(&view);
    EXPECT_EQ(1, doc.IsModified());   // no engine at all
    view.Use(std::make_unique<NoDocumentEngine>());
    EXPECT_EQ(1, doc.IsModified());   // the engine has no document yet
    EXPECT_FALSE(view.ExecGated(kIdmPaste));
    EXPECT_TRUE(doc.SaveModified());
}

}  // namespace

namespace {

// With COM started as the program starts it, an engine is always obtained:
// the platform one when it yields a document, else (as under a platform
// without the HTML engine) the built-in one, without a long wait.
TEST(EngineChoice, FallsBackToTheBuiltinEngineWithoutDelay) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HWND host = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(host);
    DWORD start = GetTickCount();
    std::unique_ptr<HtmlEngine> platform = CreatePlatformHtmlEngine(host);
    DWORD elapsed = GetTickCount() - start;
    if (platform) {
        EXPECT_TRUE(platform->HasDocument());
    } else {
        EXPECT_LT(elapsed, 4000u);
        std::unique_ptr<HtmlEngine> engine = CreateHtmlEngine(host);
        ASSERT_NE(nullptr, engine);
        EXPECT_STREQ(L"builtin", engine->Name());
        EXPECT_TRUE(engine->HasDocument());
    }
    platform.reset();
    DestroyWindow(host);
    OleUninitialize();
}

}  // namespace
