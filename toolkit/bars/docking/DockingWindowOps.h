// What a dock bar needs of a resizable docking window: its docked size (the size it shows now;
// setting it also stores it), the least length its gripper needs, whether it is alone in its
// row, and the expanded state in which the other windows of its row shrink to their grippers. The toolkit's docking
// window implements it; until it lands, the tests implement it with a test bar. Docking windows are toolkit control
// bars that also derive from this interface.
#pragma once

#include <windows.h>

// Extended style bit of a docking window newly placed in a row: the row's lengths are shared out
// again at the next layout.
inline constexpr DWORD UVBS_NEWLY_PLACED = 0x0800;

class IUVDockingWindow {
public:
    // Width and height the window takes when docked.
    virtual SIZE GetDockedSize() const = 0;
    // Stores a new docked size and applies it to the window.
    virtual void SetDockedSize(SIZE size) = 0;
    // The least length along its row: its gripper's size.
    virtual int GetGripperSize() const = 0;
    virtual void SetOnlyInRow(BOOL only) = 0;
    virtual BOOL IsExpanded() const = 0;
    // Shows `length` long along its row, expanded; its stored docked size stays.
    virtual void ShowExpanded(int length) = 0;
    // Shows at its gripper size along its row (its stored size stays); the length it gave up.
    virtual int CollapseToGripper() = 0;
    // Shows at its stored docked size again, no longer expanded.
    virtual void RestoreDockedSize() = 0;

protected:
    ~IUVDockingWindow() = default;
};
