// Pictures a person can open: PNG through libpng, SVG as text; written whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG encoding of an RGBA image (8 bits a component, rows top to bottom).
std::string ZOREncodePng(int width, int height, const std::vector<std::uint8_t>& rgba);

std::string ZORBase64(const std::string& bytes);

// Writes each file under a temporary name, then renames them all: either every file is in place
// and whole, or none was touched. On failure returns false with `error` naming the file.
bool ZORWriteFilesWhole(const std::vector<std::pair<std::string, std::string>>& files,
                        std::string& error);
