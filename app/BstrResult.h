// BstrResult: a BSTR that an engine call hands out, freed when the owner goes.
#pragma once

#include "classlib/com/UniqueBstr.h"

using BstrResult = UniqueBstr;
