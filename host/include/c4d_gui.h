// The dialogs plug-ins open, and the number formats of text fields.
#pragma once

#include "c4d_string.h"

// Asks the user a yes/no question.
Bool QuestionDialog(const maxon::String& str);

// Number format of the text-to-number conversion: plain floating-point numbers ("frea").
constexpr Int32 FORMAT_FLOAT = 1718773089;
