// A frame whose client is a static splitter of views, and the fixture that makes one for each
// test, for the splitter tests of the class library and of the toolkit. The frame is a popup of
// the bar tests' frame size, made hidden (a test that drags shows it).
#pragma once

#include "tests/classlib/ui/BarTestFrame.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

// The splitter's panes: views of one class, their ideal widths (one a column) and heights (one a
// row).
struct SplitterPanes {
    const CRuntimeClass* view;
    std::vector<int> widths;
    std::vector<int> heights;
};

template <class Splitter>
class CSplitterTestFrame : public CFrameWnd {
public:
    explicit CSplitterTestFrame(SplitterPanes panes) : m_panes(std::move(panes)) {}

    Splitter splitter;

protected:
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* context) override
    {
        const int rows = static_cast<int>(m_panes.heights.size());
        const int columns = static_cast<int>(m_panes.widths.size());
        if (!splitter.CreateStatic(this, rows, columns))
            return FALSE;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const SIZE ideal{m_panes.widths[static_cast<size_t>(column)],
                                 m_panes.heights[static_cast<size_t>(row)]};
                if (!splitter.CreateView(row, column, m_panes.view, ideal, context))
                    return FALSE;
            }
        }
        return TRUE;
    }

private:
    SplitterPanes m_panes;
};

// Makes the frame before each test and destroys it (the frame deletes itself) after.
template <class Splitter>
class SplitterFrameTest : public ::testing::Test {
protected:
    using Frame = CSplitterTestFrame<Splitter>;

    explicit SplitterFrameTest(SplitterPanes panes) : m_panes(std::move(panes)) {}
    void SetUp() override
    {
        frame = new Frame(m_panes);
        ASSERT_TRUE(frame->Create(nullptr, L"split", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, kFrameWidth, kFrameHeight},
                                  nullptr, nullptr, 0, nullptr));
    }
    void TearDown() override
    {
        if (frame)
            frame->DestroyWindow();
    }

    Frame* frame = nullptr;

private:
    SplitterPanes m_panes;
};
