// The fuzz targets as plain programs: each argument is an input file, or a folder whose
// files are inputs; every input goes once through the fuzz entry. Built by any compiler, so
// the targets compile and their corpus passes in every build, not only under libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> InputsOf(const std::string& argument)
{
    if (!IsFolder(argument))
        return {argument};
    std::vector<std::string> inputs;
    if (DIR* folder = ::opendir(argument.c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            const std::string path = argument + "/" + entry->d_name;
            if (entry->d_name[0] != '.' && !IsFolder(path))
                inputs.push_back(path);
        }
        ::closedir(folder);
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool Replay(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::string& input : InputsOf(argv[i])) {
            if (!Replay(input))
                return 1;
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...: no input was replayed\n", argv[0]);
        return 1;
    }
    std::printf("%zu inputs replayed\n", replayed);
    return 0;
}
