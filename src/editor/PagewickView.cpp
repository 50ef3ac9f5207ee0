#include "editor/PagewickView.h"
#include "resources/resource.h"

DWORD CPagewickView::EngineCommandFor(UINT id) const {
    switch (id) {
    case ID_EDIT_UNDO: return kIdmUndo;
    case ID_EDIT_CUT: return kIdmCut;
    case ID_EDIT_COPY: return kIdmCopy;
    case ID_EDIT_PASTE: return kIdmPaste;
    }
    return 0;
}
