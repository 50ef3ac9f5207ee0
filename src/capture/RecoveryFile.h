// The recovery file: the collected text and what a save needs to go on, kept in
// the program folder so that a crash, a kill or a power cut loses no capture.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// No web-text listing shows it: it does not end in .htm (nor in an 8.3 form of it).
extern const wchar_t kRecoveryFileName[];   // "Pagewick.recovery"

struct RecoveryState {
    std::wstring body;                  // the editor's body HTML
    bool editMode = false;              // a library file opened for editing
    std::wstring editFolder;            // its relative folder
    std::wstring editName;              // its web-text name
    std::vector<std::wstring> sources;  // the SourceURL of each capture, in order
    bool operator==(const RecoveryState& o) const {
        return body == o.body && editMode == o.editMode && editFolder == o.editFolder && editName == o.editName &&
               sources == o.sources;
    }
};

// The text of the file (without the byte-order mark). Every value is stored with
// its length, so any character may occur in it, and the text ends with a marker:
// a file cut short anywhere does not decode.
std::wstring EncodeRecovery(const RecoveryState& state);
// False for anything that is not one whole recovery text.
bool DecodeRecovery(const std::wstring& text, RecoveryState& state);

enum class RecoveryRead { Missing, Loaded, Damaged };
RecoveryRead ReadRecoveryFile(const std::wstring& path, RecoveryState& state);
// UTF-16LE with BOM through a temporary file replaced in one step. 0 or the error code.
DWORD WriteRecoveryFile(const std::wstring& path, const RecoveryState& state);
// Renames a damaged file aside (never over another file) and returns its new path,
// "" when it could not be moved.
std::wstring MoveRecoveryFileAside(const std::wstring& path);
