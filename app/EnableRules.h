// When the frame's commands are enabled: pure checks of state already in memory, asked on every idle.
#pragma once

inline bool CanScanFolders(bool scanRunning, bool engineHeld, bool folderListEmpty)
{
    // The engine is held until its finished event is handled: no new scan before that.
    return !scanRunning && !engineHeld && !folderListEmpty;
}

inline bool CanStopThread(bool scanRunning)
{
    return scanRunning;
}

inline bool CanCopyOrCut(bool focusInFileView, bool fileViewHasSelection)
{
    return focusInFileView && fileViewHasSelection;
}

inline bool CanPaste(bool focusInFileView)
{
    return focusInFileView;
}

inline bool CanDeleteFolder(bool focusInFolderView, bool folderViewHasSelection)
{
    return focusInFolderView && folderViewHasSelection;
}

inline bool CanSelectRows(int fileViewRows)
{
    // From the menu, whichever pane has the focus: the rules act on the duplicates list alone.
    return fileViewRows > 0;
}

inline bool CanReplaceFiles(bool fileViewHasSelection)
{
    // As Delete in the list's menu, which opens only over a selection: from the menu bar, whichever
    // pane has the focus.
    return fileViewHasSelection;
}
