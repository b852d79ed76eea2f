#pragma once
// Convenience: the text layer in one include.
#include "qarvo/text/containers.h"
#include "qarvo/text/integer.h"
#include "qarvo/text/memory.h"
#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"
#include "qarvo/text/string_array.h"
