// The two library panes of a frame: the folder tree docked left, then the file
// list docked across the top of the rest.
#pragma once
#include "framework/FrameWnd.h"
#include "library/BottomBar.h"
#include "library/IEBar.h"

// False when a pane cannot be created or the tree cannot be filled. The file list
// works with the host's edit state, editor and status bar (null: a state of its own).
bool CreateLibraryPanes(CFrameWnd& frame, CIEBar& tree, CBOTTOMBAR& list, FileListHost* host = nullptr);
