// Puts a failed open of a serial device into words a user can act on.
// The commonest failure on Linux is a permission one: serial devices belong to a group
// (usually dialout) that a new user is not in. The message names that group only when
// joining it would help; otherwise it says how such devices are usually made accessible.
#pragma once

#include <string>

std::string describeOpenFailure(const std::string& path, int error);
