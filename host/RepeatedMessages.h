#pragma once
// Keeps a file's messages readable: of each message that comes again and again (the same
// text, say "no point name given" on every line of a file read with the wrong columns), the
// first ten are shown and the rest only counted, to be summarised in one line when the file
// ends.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Host {

class CRepeatedMessages {
public:
    static constexpr int Shown = 10;

    // The messages left out of one kind, with the lines they came from.
    struct Summary {
        std::string Kind;
        std::string Text;
        long long More = 0;
        std::optional<std::int64_t> FirstLine;  // of the messages left out that had a line
        std::optional<std::int64_t> LastLine;
    };

    // Counts one message; true when it is among the first ten of its kind and text and is to
    // be shown.
    bool Admit(const std::string& kind, const std::string& text, std::optional<std::int64_t> line);
    // The kinds with messages left out, in the order their first message came; starts over.
    std::vector<Summary> TakeSummaries();

private:
    struct Count {
        std::size_t Order = 0;
        long long Seen = 0;
        Summary LeftOut;
    };
    std::map<std::pair<std::string, std::string>, Count> Counts;
};

}  // namespace Host
