// String resources of the class-library core test binary.
#pragma once

#define IDS_TEST_PLAIN 101
#define IDS_TEST_UNICODE 102
#define IDS_TEST_FORMAT 103
#define IDS_TEST_LONG 104
#define IDS_TEST_BLOCK_EDGE 111
#define IDS_TEST_OTHER_BLOCK 112
#define IDS_TEST_MISSING 110
