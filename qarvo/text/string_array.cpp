#include "qarvo/text/string_array.h"

// The arrays are templates; this unit makes sure the header compiles on its own.
template class qarvo::BasicArrayString<qarvo::C_String>;
template class qarvo::BasicArrayString<qarvo::C_WString>;
