#pragma once
// errno to FileError, shared by the posix file and directory code.

#include "qarvo/platform/file.h"

namespace qarvo::platform {

FileError fileErrorFromErrno(int err);

}  // namespace qarvo::platform
