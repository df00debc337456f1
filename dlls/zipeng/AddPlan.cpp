#include "dlls/zipeng/AddPlan.h"

#include "base/zipcore/Wildcard.h"

#include <unordered_map>

namespace zipeng {

AddPlan PlanAdd(const std::vector<zipcore::Member>& members,
                const std::vector<SourceEntry>& sources, AddMode mode,
                const std::vector<std::string>& memberNames) {
    const bool decoded = memberNames.size() == members.size();
    std::unordered_map<std::string, size_t> memberByName;
    for (size_t i = 0; i < members.size(); ++i)
        memberByName.emplace(
            zipcore::NormalizeMemberPath(decoded ? memberNames[i] : members[i].name), i);

    AddPlan plan;
    std::vector<long long> replacement(members.size(), -1); // source replacing each member
    std::vector<size_t> newSources;
    std::unordered_map<std::string, size_t> seen;
    for (size_t s = 0; s < sources.size(); ++s) {
        const SourceEntry& src = sources[s];
        const std::string key = zipcore::NormalizeMemberPath(src.storedName);
        if (!seen.emplace(key, s).second) {
            plan.duplicates.push_back(s);
            continue;
        }
        const auto found = memberByName.find(key);
        if (found == memberByName.end()) {
            if (mode != AddMode::Freshen) newSources.push_back(s);
            continue;
        }
        // A folder entry that is already there stays as it is.
        if (src.folder) continue;
        const zipcore::Member& member = members[found->second];
        if (mode != AddMode::AddReplace && src.dosTime <= member.dosTime) continue;
        replacement[found->second] = static_cast<long long>(s);
    }

    plan.items.reserve(members.size() + newSources.size());
    for (size_t m = 0; m < members.size(); ++m) {
        if (replacement[m] >= 0) {
            plan.items.push_back(
                {PlanItem::Kind::Add, static_cast<size_t>(replacement[m]), true, m});
            ++plan.additions;
        } else {
            plan.items.push_back({PlanItem::Kind::Copy, m, false});
        }
    }
    for (const size_t s : newSources) {
        plan.items.push_back({PlanItem::Kind::Add, s, false});
        ++plan.additions;
    }
    return plan;
}

} // namespace zipeng
