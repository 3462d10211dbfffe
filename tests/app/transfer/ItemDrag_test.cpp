#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/ItemDataSource.h"
#include "app/ItemIdFormats.h"
#include "classlib/ole/OleDropTarget.h"
#include "tests/support/DragInput.h"
#include "tests/support/DragWindowsTest.h"

namespace {

// Takes a drop as a view does: it recognises its format and reads the list into one of its own.
class ViewDropTarget : public COleDropTarget {
public:
    explicit ViewDropTarget(const wchar_t* format) : m_format(format) {}

    DWORD OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, POINT point) override
    {
        return OnDragOver(wnd, data, keyState, point);
    }
    DWORD OnDragOver(CWnd*, COleDataObject* data, DWORD, POINT) override
    {
        return data->IsDataAvailable(CItemDataSource(m_format).GetFormat()) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
    }
    BOOL OnDrop(CWnd* wnd, COleDataObject* data, DWORD, POINT) override
    {
        CItemDataSource dropped(m_format);
        if (!dropped.ReadFromDataObject(*data))
            return FALSE;
        droppedOn = wnd;
        for (INT_PTR i = 0; i < dropped.GetCount(); ++i)
            ids.push_back(dropped.ElementAt(i));
        return TRUE;
    }

    CWnd* droppedOn = nullptr;
    std::vector<DWORD> ids;

private:
    const wchar_t* m_format;
};

class ItemDragTest : public DragWindowsTest {
protected:
    void SetUp() override
    {
        DragWindowsTest::SetUp();
        m_selection.Add(30);
        m_selection.Add(10);
        m_selection.Add(20);
    }

    // Presses in the source, runs the list's drag and lets go at (x, y).
    void DragSelectionTo(int x, int y)
    {
        fixtures::PressOnSource(100, 100);
        std::thread mover = fixtures::DropFromThread(100, 100, x, y);
        m_selection.DoDragDrop();
        mover.join();
    }

    CItemDataSource m_selection{kTrackIdsFormat};
};

TEST_F(ItemDragTest, ATargetReadsTheListUnderTheSourcesFormat)
{
    ViewDropTarget target(kTrackIdsFormat);
    ASSERT_TRUE(target.Register(&m_target));
    ViewDropTarget otherFormat(kCatalogItemIdsFormat);
    ASSERT_TRUE(otherFormat.Register(&m_source));

    DragSelectionTo(500, 350);
    EXPECT_EQ(&m_target, target.droppedOn);
    EXPECT_EQ((std::vector<DWORD>{30, 10, 20}), target.ids);
    EXPECT_EQ(nullptr, otherFormat.droppedOn);
}

TEST_F(ItemDragTest, ADropOnTheSourceHandsItTheSameList)
{
    ViewDropTarget self(kTrackIdsFormat);
    ASSERT_TRUE(self.Register(&m_source));

    DragSelectionTo(200, 150);
    EXPECT_EQ(&m_source, self.droppedOn);
    EXPECT_EQ((std::vector<DWORD>{30, 10, 20}), self.ids);
}

}  // namespace
