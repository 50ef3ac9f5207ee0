// Saving the collected web text into the library.
#pragma once
#include <functional>
#include <string>

class CMainFrame;

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

// The save operation of the main frame. `selectedFolder` gives the relative path
// of the folder tree's current folder ("" for the root item).
SaveOutcome RunSaveWebText(CMainFrame& frame, const std::function<std::wstring()>& selectedFolder);
