// Re-entry guard for operations that span a modal loop.
//
// A dialog, a message box, a popup menu or a wait that answers messages runs a
// message loop of its own. While it runs, the tray menu, the toolbar, hot keys
// and the extension's capture messages still reach the main frame, and a handler
// could start a second save or edit, or end the program under the operation that
// is waiting. The rule:
//
//   - An operation that shows a dialog or message box, or waits answering
//     messages, holds a BusyScope for as long as it runs:
//         BusyScope busy(frame.Busy());
//         ... dialog, questions, downloads ...
//   - Every entry point that would start such an operation (a command, a hot
//     key, a capture request) first asks `busy.Active()` and, when it is, does
//     nothing (`RefuseWhileBusy` of the main frame also brings the waiting
//     window to the front). The running operation then finishes normally.
//   - Calls made by the busy operation itself (the exit question running the
//     save) do not ask again: scopes nest.
//
// One BusyState belongs to the main frame; panes and dialogs get a reference to
// it. Everything runs on the user-interface thread, so no lock is needed.
#pragma once

class BusyState {
public:
    bool Active() const { return m_depth > 0; }

private:
    friend class BusyScope;
    int m_depth = 0;
};

class BusyScope {
public:
    explicit BusyScope(BusyState& state) : m_state(&state) { ++m_state->m_depth; }
    // A pane without a frame (tests) passes null: nothing is guarded.
    explicit BusyScope(BusyState* state) : m_state(state) { if (m_state) ++m_state->m_depth; }
    ~BusyScope() { if (m_state) --m_state->m_depth; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyState* m_state;
};
