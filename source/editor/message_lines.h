// How the message dialog cuts a text into lines: at most 140 characters a line, as the dialog
// always did, and a line wider than the dialog broken at its last space that fits (a word wider
// than the dialog by itself, such as a long path, anywhere between two characters).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> messageLines(std::string_view text, const std::function<double(const std::string&)>& widthOf,
                                      double maxWidth);
