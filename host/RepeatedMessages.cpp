#include "host/RepeatedMessages.h"

#include <algorithm>

namespace Host {

bool CRepeatedMessages::Admit(const std::string& kind, const std::string& text, std::optional<std::int64_t> line)
{
    auto [entry, added] = Counts.try_emplace({kind, text});
    Count& count = entry->second;
    if (added)
        count.Order = Counts.size();
    if (++count.Seen <= Shown)
        return true;
    Summary& leftOut = count.LeftOut;
    ++leftOut.More;
    if (line) {
        if (!leftOut.FirstLine)
            leftOut.FirstLine = line;
        leftOut.LastLine = line;
    }
    return false;
}

std::vector<CRepeatedMessages::Summary> CRepeatedMessages::TakeSummaries()
{
    std::vector<std::pair<std::size_t, Summary>> ordered;
    for (auto& [key, count] : Counts) {
        if (count.LeftOut.More == 0)
            continue;
        count.LeftOut.Kind = key.first;
        count.LeftOut.Text = key.second;
        ordered.emplace_back(count.Order, std::move(count.LeftOut));
    }
    Counts.clear();
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Summary> summaries;
    for (auto& [order, summary] : ordered)
        summaries.push_back(std::move(summary));
    return summaries;
}

}  // namespace Host
