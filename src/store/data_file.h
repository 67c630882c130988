// The safe-list data file's format: ANSI bytes, one title per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shutterling::store {

// CR LF or a lone CR ends a line; a lone LF is part of the text. A last line
// without a line end is kept; a line end at the very end adds no empty line.
std::vector<std::string> ParseLines(std::string_view bytes);

// Appends line and CR LF.
void AppendLine(std::string& bytes, std::string_view line);

// Every line followed by CR LF; no lines give no bytes.
std::string SerialiseLines(const std::vector<std::string>& lines);

}  // namespace shutterling::store
