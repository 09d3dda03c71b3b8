#include "tests/support/TestFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace Testing {

namespace {

std::filesystem::path Native(const std::string& path)
{
    return std::filesystem::u8path(path);
}

}  // namespace

CTempFolder::CTempFolder()
{
    std::random_device random;
    const std::string base = TemporaryBase();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = base + "/m5test." + std::to_string(random() % 100000000u);
        std::error_code error;
        if (std::filesystem::create_directory(Native(candidate), error)) {
            Folder = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

CTempFolder::~CTempFolder()
{
    // Leftovers in the temporary folder do no harm.
    std::error_code ignored;
    std::filesystem::remove_all(Native(Folder), ignored);
}

std::string CTempFolder::Write(const std::string& name, const std::string& bytes) const
{
    const std::string path = Folder + "/" + name;
    std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(Native(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(Native(path), error);
}

bool MakeFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::create_directory(Native(path), error);
}

std::vector<std::string> TextLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Native(folder), error))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

RunResult RunM5Import(const std::vector<std::string>& arguments, const std::string& input)
{
    std::vector<std::string> full;
    bool hasPlugin = false;
    bool hasSettings = false;
    for (const std::string& argument : arguments) {
        hasPlugin = hasPlugin || argument == "--plugin";
        hasSettings = hasSettings || argument == "--settings";
    }
    const CTempFolder scratch;
    const bool isSettingsCommand = !arguments.empty() && arguments[0] == "settings";
    if (isSettingsCommand)
        full.push_back("settings");
    if (!hasPlugin) {
        full.push_back("--plugin");
        full.push_back(M5PLUGIN_PATH);
    }
    if (!hasSettings) {
        full.push_back("--settings");
        full.push_back(scratch.Path() + "/settings.ini");
    }
    for (std::size_t i = isSettingsCommand ? 1 : 0; i < arguments.size(); ++i)
        full.push_back(arguments[i]);
    return RunProgram(M5ImportPath(), full, input);
}

std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string SamplesFolder()
{
    const std::string folder = M5_SAMPLES_DIR;
    return FileExists(folder + "/README.md") ? folder : std::string();
}

}  // namespace Testing
