// An item's category text: the names of its categories joined by ",". It is the lasting record
// of membership: the members of every category are rebuilt from these texts at start.
#pragma once

#include "classlib/core/String.h"

// TRUE when name is one whole element of text (exact comparison).
bool HasCategoryName(const CString& text, const CString& name);
// text with name appended as one more element.
CString AppendCategoryName(const CString& text, const CString& name);
// text rebuilt from the elements other than name.
CString RemoveCategoryName(const CString& text, const CString& name);
// A stored category's name must not hold the separator: its members could not be found again.
bool IsStorableCategoryName(const CString& name);
