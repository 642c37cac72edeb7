// The editor's page, its script and its style, built into the executable.
#pragma once

#include <span>
#include <string_view>

struct ZOREmbeddedFile {
  std::string_view path;  // as the page names it, "editor.js" say
  std::string_view bytes;
};
std::span<const ZOREmbeddedFile> ZOREmbeddedFiles();
