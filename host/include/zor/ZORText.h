// Text from outside the process, made safe to show in a message.
#pragma once

#include <string>
#include <string_view>

#include "zor/ZORTypes.h"

// The text with every byte that is not printable ASCII written as \xNN, so that a message
// never carries a raw escape sequence, NUL or line break to a terminal.
ZORHOST_API std::string ZORPrintable(std::string_view text);
