// The program's UI thread is an OLE apartment: every test here runs on one.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

class OleThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override
    {
        OleSetClipboard(nullptr);
        OleUninitialize();
    }
};
