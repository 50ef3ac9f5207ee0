// The recovery file of the main frame: the collected text survives a crash, a
// kill or a power cut. The frame takes a copy of the editor's body on its own
// thread (a capture has just read it anyway; typing only re-arms a timer) and the
// writer's thread encodes and writes it.
#include "app/MainFrame.h"
#include "app/MainFrameRecovery.h"
#include "app/TrayIcon.h"
#include "settings/AppDir.h"

const wchar_t kRecoveredTitle[] = L"提示";
const wchar_t kRecoveredText[] = L"已恢复上次未保存的网文。";

namespace {
// Typing that never pauses is still written this often.
const DWORD kLongestUnwrittenMs = 10000;
}  // namespace

std::wstring DamagedRecoveryMessage(const std::wstring& aside) {
    if (aside.empty())
        return L"上次未保存的网文的恢复文件已损坏，无法载入，也未能改名。\n它仍在：" + GetAppDir() + kRecoveryFileName;
    return L"上次未保存的网文的恢复文件已损坏，无法载入。\n它已改名保存为：" + aside;
}

std::wstring CMainFrame::RecoveryPath() const { return GetAppDir() + kRecoveryFileName; }

void CMainFrame::KeepTextAfterCapture(const std::wstring& sourceUrl) {
    m_captureSources.push_back(sourceUrl);
    WriteRecoveryNow();
}

void CMainFrame::NoteEditorChanged() {
    if (!m_recoveryOn) return;
    DWORD now = ::GetTickCount();
    if (!m_editUnwritten) {
        m_editUnwritten = true;
        m_firstUnwrittenEdit = now;
    }
    // Each keystroke moves the write further out, up to a limit.
    if (now - m_firstUnwrittenEdit < kLongestUnwrittenMs)
        ::SetTimer(m_hWnd, kRecoveryTimerId, m_typingPauseMs, nullptr);
}

void CMainFrame::WriteRecoveryNow() {
    ::KillTimer(m_hWnd, kRecoveryTimerId);
    m_editUnwritten = false;
    // Until the file found at start-up is restored, it is the only copy of that text.
    if (!m_recoveryOn || !m_recoveryChecked || !m_mainView || !m_mainView->Engine()) return;
    RecoveryState state;
    if (!m_mainView->Engine()->GetBodyHtml(state.body)) return;
    if (state.body.empty()) {
        // Nothing collected: nothing to recover.
        m_recoveryWriter.Remove(RecoveryPath());
        m_lastRecovery = RecoveryState();
        m_captureSources.clear();
        return;
    }
    state.editMode = m_editMode;
    if (m_editMode) {
        state.editFolder = m_editFolder;
        state.editName = m_webTextName;
    }
    state.sources = m_captureSources;
    if (state == m_lastRecovery) return;   // a pause after moving the caret only
    m_lastRecovery = state;
    m_recoveryWriter.Write(RecoveryPath(), std::move(state));
}

void CMainFrame::DiscardRecovery() {
    ::KillTimer(m_hWnd, kRecoveryTimerId);
    m_editUnwritten = false;
    m_captureSources.clear();
    m_lastRecovery = RecoveryState();
    if (m_recoveryChecked) m_recoveryWriter.Remove(RecoveryPath());
}

void CMainFrame::EndRecoveryAtExit(bool keep) {
    if (keep) WriteRecoveryNow();   // a save that wrote nothing: the text stays for the next start
    else DiscardRecovery();
    m_recoveryWriter.Flush();
}

void CMainFrame::RestoreRecoveredText() {
    if (m_recoveryChecked) return;
    HtmlEngine* engine = m_mainView ? m_mainView->Engine() : nullptr;
    if (!engine || !engine->HasDocument()) {
        ::SetTimer(m_hWnd, kRecoveryStartTimerId, 100, nullptr);   // the engine is still loading
        return;
    }
    ::KillTimer(m_hWnd, kRecoveryStartTimerId);
    m_recoveryChecked = true;
    RecoveryState state;
    switch (ReadRecoveryFile(RecoveryPath(), state)) {
    case RecoveryRead::Missing:
        return;
    case RecoveryRead::Damaged:
        // Kept for the user; the program starts with an empty editor.
        m_recoveryAside = MoveRecoveryFileAside(RecoveryPath());
        ::PostMessageW(m_hWnd, WM_RECOVERY_DAMAGED, 0, 0);
        return;
    case RecoveryRead::Loaded:
        break;
    }
    if (state.body.empty()) {
        m_recoveryWriter.Remove(RecoveryPath());
        return;
    }
    engine->SetBodyHtml(state.body);   // counts as modified
    engine->CloseDocument();
    m_captureSources = state.sources;
    std::wstring edited = GetAppDir() + state.editFolder + L"\\" + state.editName + L".htm";
    if (state.editMode && !state.editName.empty() && ::GetFileAttributesW(edited.c_str()) != INVALID_FILE_ATTRIBUTES) {
        m_editMode = true;
        m_editFolder = state.editFolder;
        m_webTextName = state.editName;
    } else {
        state.editMode = false;
        state.editFolder.clear();
        state.editName.clear();
    }
    m_lastRecovery = state;
    ShowTrayBalloon(kBalloonInfo, kRecoveredTitle, kRecoveredText);
}

void CMainFrame::ReportDamagedRecovery() {
    BusyScope busy(m_busy);   // nothing starts under the message
    std::wstring text = DamagedRecoveryMessage(m_recoveryAside);
    ::MessageBoxW(m_hWnd, text.c_str(), L"Pagewick", MB_OK | MB_ICONWARNING);
}

void CMainFrame::EditorLoaded(const std::wstring& path) {
    AddRecentFile(path);
    // The recovery file now holds the edited file's state, not the text it replaced.
    m_captureSources.clear();
    WriteRecoveryNow();
}
