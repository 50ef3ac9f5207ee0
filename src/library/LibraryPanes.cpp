#include "library/LibraryPanes.h"
#include "resources/resource.h"

bool CreateLibraryPanes(CFrameWnd& frame, CIEBar& tree, CBOTTOMBAR& list, FileListHost* host) {
    if (!tree.Create(frame.m_hWnd, IDD_TREEBAR, DockSide::Left, IDC_TREEBAR) || !tree.InitFolderTree(frame.m_hWnd))
        return false;
    frame.DockControlBar(&tree);
    if (!list.Create(frame.m_hWnd, IDD_LISTBAR, DockSide::Top, IDC_LISTBAR)) return false;
    list.SetHost(host);
    list.InitFileList(&tree);
    frame.DockControlBar(&list);
    return true;
}
