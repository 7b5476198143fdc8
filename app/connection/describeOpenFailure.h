// Puts a failed open of a serial device into words a user can act on.
// The commonest failure on Linux is a permission one: serial devices belong to a group
// (usually dialout) that a new user is not in. The message names that group only when
// joining it would help; otherwise it says how such devices are usually made accessible.
#pragma once

#include "serial/PortHolder.h"

#include <optional>
#include <string>

std::string describeOpenFailure(const std::string& path, int error);
// Another program holds the device: "cu.x is in use by minicom (pid 4242)", or, when the
// holder can't be told, "cu.x is busy".
std::string describeBusyPort(const std::string& name, const std::optional<PortHolder>& holder);
// A device that runs at another rate than the one asked for: "ttyUSB0 refused 3000000 baud;
// it runs at 921600"; "" when it runs at the rate, or its rate can't be told (running 0).
std::string describeRateShortfall(const std::string& name, int wanted, int running);
