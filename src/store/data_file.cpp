#include "store/data_file.h"

namespace shutterling::store {

std::vector<std::string> ParseLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t cr = bytes.find('\r'); cr != std::string_view::npos;
         cr = bytes.find('\r', start)) {
        lines.emplace_back(bytes.substr(start, cr - start));
        start = cr + 1;
        if (start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.substr(start));
    return lines;
}

void AppendLine(std::string& bytes, std::string_view line) {
    bytes.append(line);
    bytes.append("\r\n");
}

std::string SerialiseLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const auto& line : lines)
        AppendLine(bytes, line);
    return bytes;
}

}  // namespace shutterling::store
