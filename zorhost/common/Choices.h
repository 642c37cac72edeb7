// Names a user may choose among, as a message gives them: "a, b or c".
#pragma once

#include <string>
#include <vector>

inline std::string ZORChoices(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}
