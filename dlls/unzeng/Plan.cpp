#include "dlls/unzeng/Plan.h"

#include "base/MemberNames.h"
#include "dlls/unzeng/OutputFiles.h"
#include "base/zipcore/MemberReader.h"
#include "base/zipcore/NameText.h"
#include "base/zipcore/SafeName.h"
#include "base/zipcore/Wildcard.h"
#include "base/zipcore/ZipFormat.h"

#include <windows.h>

#include <memory_resource>
#include <string>
#include <unordered_map>

namespace unzeng {

namespace {

// The paths an extraction writes, claimed in archive order before any worker starts, so the
// outcome never depends on which worker is faster: the first member to claim a path keeps
// it, and a later one that would land on it, as a file or as a folder it needs, is refused.
// Paths compare as Windows compares them (letter case ignored).
class PathClaims {
public:
    // Empty when the member may write `relative` (a file, or a folder when `folder`);
    // otherwise why not.
    std::string Claim(const std::wstring& relative, bool folder, const zipcore::Member& m) {
        key_.assign(relative.data(), relative.size());
        LowerCaseKey(key_.data(), key_.size());
        // The folders above a member beside the previous one were claimed for that one.
        const std::size_t parentEnd = key_.find_last_of(L'\\');
        const bool sameParent = parentEnd != std::wstring::npos && lastParentValid_ &&
                                lastParent_.size() == parentEnd &&
                                key_.compare(0, parentEnd, lastParent_) == 0;
        if (!sameParent) {
            lastParentValid_ = false;
            for (std::size_t slash = key_.find(L'\\'); slash != std::wstring::npos;
                 slash = key_.find(L'\\', slash + 1))
                if (std::string why = ClaimOne(Key(key_.data(), slash, &pool_),
                                               relative.substr(0, slash), true, m);
                    !why.empty())
                    return why;
            if (parentEnd != std::wstring::npos) {
                lastParent_.assign(key_, 0, parentEnd);
                lastParentValid_ = true;
            }
        }
        return ClaimOne(key_, relative, folder, m);
    }

private:
    struct Owner {
        bool folder;
        const zipcore::Member* member;
    };
    using Key = std::pmr::wstring;
    std::string ClaimOne(const Key& key, const std::wstring& shown, bool folder,
                         const zipcore::Member& m) {
        const auto [it, fresh] = claimed_.try_emplace(key, Owner{folder, &m});
        if (fresh || (folder && it->second.folder)) return {};
        std::string why = zipcore::QuoteName(kname::Narrow(shown, CP_UTF8));
        why += " is taken by the earlier member ";
        why += QuotedMemberName(*it->second.member);
        why += it->second.folder ? " (as a folder)" : " (as a file)";
        return why;
    }
    // Claims are never given back: their keys and nodes come from one growing pool, not one
    // allocation each.
    std::pmr::monotonic_buffer_resource pool_{64 * 1024};
    std::pmr::unordered_map<Key, Owner> claimed_{&pool_};
    Key key_{&pool_}; // the lower-cased path being claimed, its memory reused
    Key lastParent_{&pool_};
    bool lastParentValid_ = false;
};

Job MakeNotice(const zipcore::Member& m, keng::ErrorCode code, std::string text) {
    Job job;
    job.kind = Job::Kind::Notice;
    job.member = &m;
    job.notice = {code, std::move(text)};
    return job;
}

} // namespace

TargetName MemberTargetName(const zipcore::Member& member, bool keepFolders) {
    const std::string utf8 = kname::Utf8Name(zipcore::DecodeMemberName(member));
    const zipcore::SafePath safe = zipcore::MakeSafePath(utf8, '\\', keepFolders);
    TargetName result;
    result.ok = safe.ok;
    result.reason = safe.reason;
    result.directory = safe.directory || member.IsDirectory();
    if (safe.ok) result.path = Widen(safe.path, CP_UTF8);
    return result;
}

std::string QuotedMemberName(const zipcore::Member& member) {
    return zipcore::QuoteName(kname::Utf8Name(zipcore::DecodeMemberName(member)));
}

Plan MakePlan(const zipcore::ArchiveInfo& archive, const Request& request,
              const std::wstring& base) {
    Plan plan;
    const zipcore::NameSelector selector(request.specs);
    std::vector<bool> used(request.specs.size(), false);
    PathClaims claims;
    const bool extracting = !request.test;
    plan.jobs.reserve(archive.members.size());

    for (const zipcore::Member& m : archive.members) {
        if (!selector.Selects(m.name, &used)) continue;
        // Only notices quote the name; most members get none.
        const auto name = [&m] { return QuotedMemberName(m); };

        if (m.IsDirectory()) {
            if (!extracting || !request.dirNames) continue;
            const TargetName t = MemberTargetName(m, true);
            if (!t.ok) {
                plan.jobs.push_back(
                    MakeNotice(m, keng::kErrUnsafeName, "Refused " + name() + ": " + t.reason));
                continue;
            }
            if (t.path.empty()) continue; // "./": the extraction folder, there already
            if (std::string why = claims.Claim(t.path, true, m); !why.empty()) {
                plan.jobs.push_back(
                    MakeNotice(m, keng::kErrDuplicateName, "Skipped " + name() + ": " + why));
                continue;
            }
            Job job;
            job.kind = Job::Kind::Folder;
            job.member = &m;
            job.target = base + L"\\" + t.path;
            plan.jobs.push_back(std::move(job));
            continue;
        }
        if (std::string why = zipcore::UnsupportedReason(m); !why.empty()) {
            plan.jobs.push_back(
                MakeNotice(m, keng::kErrUnsupportedMethod, "Skipped " + name() + ": it " + why));
            continue;
        }
        if (extracting && m.IsSymlink()) {
            plan.jobs.push_back(
                MakeNotice(m, keng::kErrLink, "Skipped " + name() + ": it is a symbolic link"));
            continue;
        }
        Job job;
        job.kind = Job::Kind::File;
        job.member = &m;
        if (extracting) {
            const TargetName t = MemberTargetName(m, request.dirNames);
            if (!t.ok) {
                plan.jobs.push_back(
                    MakeNotice(m, keng::kErrUnsafeName, "Refused " + name() + ": " + t.reason));
                continue;
            }
            if (std::string why = claims.Claim(t.path, false, m); !why.empty()) {
                plan.jobs.push_back(
                    MakeNotice(m, keng::kErrDuplicateName, "Skipped " + name() + ": " + why));
                continue;
            }
            job.target.reserve(base.size() + 1 + t.path.size());
            job.target.append(base).append(1, L'\\').append(t.path);
        }
        if (m.NeedsPassword()) plan.needsPassword = true;
        plan.jobs.push_back(std::move(job));
    }

    for (std::size_t i = 0; i < request.specs.size(); ++i)
        if (!used[i])
            plan.unmatched.push_back(
                {keng::kErrNoMatch, "No member matches \"" + request.specs[i] + "\""});
    return plan;
}

void RefuseEncrypted(Plan& plan) {
    for (Job& job : plan.jobs) {
        if (job.kind != Job::Kind::File || !job.member->NeedsPassword()) continue;
        job.kind = Job::Kind::Notice;
        job.notice = {keng::kErrPassword, "Skipped " + QuotedMemberName(*job.member) +
                                              ": it is encrypted and no password was given"};
    }
}

} // namespace unzeng
