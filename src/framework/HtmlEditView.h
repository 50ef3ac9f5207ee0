// HTML editing view and its document: a child window hosting an editing engine.
#pragma once
#include "framework/Wnd.h"
#include "editor/HtmlEngine.h"

class CHtmlEditView : public CWnd {
public:
    bool Create(HWND parent, UINT id, DWORD style);
    HtmlEngine* Engine() const { return m_engine.get(); }
    // The engine is being made or is setting a body: nothing may write into the view now.
    bool IsBusy() const { return m_creating || (m_engine && m_engine->IsBusy()); }
    // Runs an engine command only when it is both supported and enabled.
    bool ExecGated(DWORD command);
    // A routed edit command (menu id) whose engine command is supported and enabled now.
    bool IsCommandEnabled(UINT id);
    bool Navigate(const std::wstring& path);
    // Keys meant for the engine's window: the frame's own keys (not editing
    // commands of this view) are left to the frame; the engine takes the rest first.
    bool PreTranslateMessage(MSG* msg);
    // The frame was activated or deactivated (passed on to the engine).
    void OnFrameActivate(bool active) { if (m_engine) m_engine->FrameActivated(active); }
    // Makes the engine again (after the engine choice fell back to the built-in one).
    void RecreateEngine();
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Edit commands routed to the engine: menu id -> engine command (0 = none).
    virtual DWORD EngineCommandFor(UINT) const { return 0; }
    std::unique_ptr<HtmlEngine> m_engine;
private:
    void MakeEngine();
    bool m_creating = false;
};

class CHtmlEditDoc {
public:
    virtual ~CHtmlEditDoc() = default;
    void SetView(CHtmlEditView* view) { m_view = view; }
    CHtmlEditView* GetView() const { return m_view; }
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const std::wstring& path);
    // 0 without a view or when the engine reports clean; 1 otherwise.
    virtual int IsModified();
    virtual bool SaveModified() { return true; }
    const std::wstring& GetPathName() const { return m_path; }
protected:
    CHtmlEditView* m_view = nullptr;
    std::wstring m_path;
};
