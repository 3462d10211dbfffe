// The items of the menu bar: the maximised MDI child's system-menu icon, one entry per top-level
// menu entry, and the child's minimize, restore and close buttons. The bar owns them in this
// order, lays them out in rows (columns on a vertical bar) and asks each to draw, open and
// answer a double click.
#pragma once

#include "classlib/core/String.h"
#include "classlib/ui/Gdi.h"

class CUVMenuBar;

class CUVMenuBarItem {
public:
    explicit CUVMenuBarItem(CUVMenuBar* bar) : m_pBar(bar) {}
    CUVMenuBarItem(const CUVMenuBarItem&) = delete;
    CUVMenuBarItem& operator=(const CUVMenuBarItem&) = delete;
    virtual ~CUVMenuBarItem() = default;

    virtual BOOL IsHidden() const { return FALSE; }
    virtual void Draw(CDC* dc) = 0;
    // The mnemonic character; FALSE when the item has none.
    virtual BOOL GetMnemonic(wchar_t* mnemonic) const;
    virtual SIZE GetSize() const = 0;
    virtual BOOL MayEndRow() const { return TRUE; }
    // Pixels after the item along its row.
    virtual int GetGap() const { return 0; }
    virtual void Open() {}
    virtual void DoubleClick() {}

    // The item's rectangle in the bar's client coordinates (width and height exchanged on a
    // vertical bar, whose text runs downward).
    RECT GetRect(BOOL horz) const;

    BOOL m_bRowBreak = FALSE;
    POINT m_pt{};
    CUVMenuBar* m_pBar;
};

class CUVMenuBarIcon : public CUVMenuBarItem {
public:
    using CUVMenuBarItem::CUVMenuBarItem;
    BOOL IsHidden() const override;
    void Draw(CDC* dc) override;
    SIZE GetSize() const override;
    int GetGap() const override { return 2; }
    void Open() override;
    void DoubleClick() override;
};

class CUVMenuBarEntry : public CUVMenuBarItem {
public:
    CUVMenuBarEntry(CUVMenuBar* bar, int position, const CString& text, SIZE size)
        : CUVMenuBarItem(bar), m_nPosition(position), m_strText(text), m_size(size)
    {}
    void Draw(CDC* dc) override;
    BOOL GetMnemonic(wchar_t* mnemonic) const override;
    SIZE GetSize() const override { return m_size; }
    void Open() override;

    int m_nPosition;
    CString m_strText;  // as the menu gives it, with its "&" markers
    SIZE m_size;
};

class CUVMenuBarMDIButton : public CUVMenuBarItem {
public:
    // Kinds are the DrawFrameControl caption values.
    static constexpr int kClose = 0;
    static constexpr int kMinimize = 1;
    static constexpr int kRestore = 3;

    CUVMenuBarMDIButton(CUVMenuBar* bar, int kind, UINT command, int gap)
        : CUVMenuBarItem(bar), m_nKind(kind), m_nCommand(command), m_nGap(gap)
    {}
    BOOL IsHidden() const override;
    void Draw(CDC* dc) override;
    SIZE GetSize() const override;
    BOOL MayEndRow() const override { return m_nKind == kClose; }
    int GetGap() const override { return m_nGap; }

    int m_nKind;
    UINT m_nCommand;
    int m_nGap;
};

// The mnemonic of a menu text: the character after a single "&" that is not the last one.
BOOL FindMenuMnemonic(const CString& text, wchar_t* mnemonic, int* index = nullptr);
