#pragma once
// Text and file helpers shared by the end-to-end tests' own Windows programs.
#include <string>

namespace e2e {

std::string Utf8(const std::wstring& text);
// Text for a JSON string literal, quotes included.
std::string JsonString(const std::wstring& text);

std::wstring ModulePath();
std::wstring CurrentDirectory();
// Appends in one write, so the records of copies started together never interleave.
bool AppendToFile(const std::wstring& path, const std::string& bytes);

}  // namespace e2e
