// What the file list pane shares with the window that holds it: the state of an
// edited library file and of a pending cut (also used by the save), and the
// editor, status bar and save it works with. The main frame is the one host;
// a pane without a host works on a state of its own and has no editor.
#pragma once
#include "framework/Busy.h"
#include "search/LibraryIndexUpdates.h"
#include <string>

class CHtmlEditView;

class FileListHost {
public:
    virtual ~FileListHost() = default;

    bool m_editMode = false;       // the editor holds a library file opened for editing
    std::wstring m_editFolder;     // relative folder that file is written back into
    std::wstring m_webTextName;    // name of the web text (also what the file-name dialog confirms)
    bool m_cutPending = false;     // a cut waits for its paste

    virtual CHtmlEditView* EditorView() { return nullptr; }
    virtual bool IsEditorModified() { return false; }
    // Pane 0 of the status bar, repainted at once.
    virtual void SetStatusText(const std::wstring&) {}
    virtual void SaveWebText() {}
    // The frame's busy state, held while an operation of the pane waits in a question
    // or dialog (framework/Busy.h); none without a frame.
    virtual BusyState* SharedBusy() { return nullptr; }
    // A library file was loaded into the editor for editing.
    virtual void EditorLoaded(const std::wstring& /*path*/) {}
    // The file-name dialog, checking names against a folder relative to the program
    // directory; leaves the confirmed name in m_webTextName ("" when closed).
    virtual void AskFileName(const std::wstring&) { m_webTextName.clear(); }
    // Runs the search shown in the list once more (after a result row edited from it was
    // saved); false when there is none to run.
    virtual bool SearchAgain() { return false; }
    // Where file operations report what they changed, one call each (search index).
    virtual LibraryIndexUpdates& IndexUpdates() { return m_noIndex; }

private:
    NoIndexUpdates m_noIndex;
};
