// Saving the collected web text into the library.
#pragma once
#include "framework/Busy.h"
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CHtmlEditView;
class CStatusBar;

struct SaveOutcome {
    bool written = false;
    std::wstring path;          // the file written
    int failedPictures = 0;     // pictures whose address was kept
    std::wstring report;        // the completion text shown (question or balloon)
};

extern const wchar_t kChooseFolderMessage[];

// The start of a body text that a page title proposed for it goes with, kept when the
// capture that began the text arrives: the save proposes the title only while the text still
// begins so, not once the user has emptied the editor and begun it anew.
std::wstring TitledTextStart(const std::wstring& bodyText);

// What a save works with and leaves behind. The main frame is the one host.
class WebTextSaveHost {
public:
    virtual ~WebTextSaveHost() = default;

    // Owns the questions and the file-name dialog; takes no input while the pictures arrive.
    virtual HWND SaveWindow() = 0;
    // Held for the whole save (framework/Busy.h).
    virtual BusyState& Busy() = 0;
    virtual CHtmlEditView* EditorView() = 0;
    // The name of the web text: proposed, then confirmed by the dialog ("" for none).
    virtual std::wstring& WebTextName() = 0;
    // A library file opened for editing goes back into its folder without the dialog:
    // true (and the edit over) when there is one, with that folder.
    virtual bool EndEditedFile(std::wstring& folder) = 0;
    // The page title of a hand-off that began the text ("" for none) and the start of the
    // text it began (TitledTextStart); both cleared once written.
    virtual std::wstring& ProposedTitle() = 0;
    virtual std::wstring& ProposedTitleStart() = 0;
    virtual int NameLength() = 0;    // characters of a name proposed from the text
    virtual bool OpenPrompt() = 0;   // ask whether to open the written file (else a balloon)
    // The file-name dialog, names checked against `folder`; leaves the confirmed name in
    // WebTextName() ("" when closed).
    virtual void AskFileName(const std::wstring& folder) = 0;
    // Captures may run again (the dialog held them off while it was open).
    virtual void SetReady() = 0;
    // Shows the downloads' progress in pane 0; null for none.
    virtual CStatusBar* ProgressBar() = 0;
    // The SourceURL of each capture since the last save, oldest first.
    virtual const std::vector<std::wstring>& CaptureSources() const = 0;
    // The file at `path` in `folder` (relative) was written: the index and the file list learn of it.
    virtual void WebTextWritten(const std::wstring& path, const std::wstring& folder) = 0;
    virtual void ShowBalloon(int kind, const wchar_t* title, const wchar_t* text) = 0;
};

// The save operation. `selectedFolder` gives the relative path of the folder tree's
// current folder ("" for the root item).
SaveOutcome RunSaveWebText(WebTextSaveHost& host, const std::function<std::wstring()>& selectedFolder);
