// Inside the settings repositories.
#pragma once

#include <string>
#include <string_view>

#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"

namespace ZORSettings {

inline constexpr std::size_t kMaximumKeyLength = 256;
// A repository file larger than this is refused rather than read.
inline constexpr long kMaximumFileSize = 16L << 20;
// The first line of every repository file.
inline constexpr std::string_view kHeader = "# zorhost settings repository";

// Why `key` cannot be a key, or empty when it can.
std::string CheckKey(std::string_view key);
std::string FormatLine(const ZORSettingEntry& entry);

}  // namespace ZORSettings
