// Inside the settings repositories.
#pragma once

#include <string>
#include <string_view>

#include "zor/ZORSettingRepository.h"

namespace ZORSettings {

inline constexpr std::size_t kMaximumKeyLength = 256;
// A repository file larger than this is refused rather than read.
inline constexpr long kMaximumFileSize = 16L << 20;

// Why `key` cannot be a key, or empty when it can.
std::string CheckKey(std::string_view key);
// The text with anything that is not printable ASCII written as \xNN.
std::string Printable(const std::string& text);
std::string FormatLine(const ZORSettingEntry& entry);

// Called after each step of a save: the seam through which tests stop a saving process.
void SaveStep(const char* step);
// Whether saves sync their file and folder.
bool SaveSyncs();

}  // namespace ZORSettings
