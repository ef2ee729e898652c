// Whole files and folder listings, for the in-process tests and the end-to-end driver alike.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path) {  // empty when missing
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The names of the files in a folder, sorted; folders left out.
inline std::vector<std::wstring> namesIn(const fs::path& folder) {
    std::vector<std::wstring> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing)) {
        if (!entry.is_directory()) names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}
