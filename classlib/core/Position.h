// POSITION: the opaque place of an element in a list or map, as the class library's
// collections hand it out. NULL means "no element" (the end of an iteration).
#pragma once

struct CPositionTag;
using POSITION = CPositionTag*;
