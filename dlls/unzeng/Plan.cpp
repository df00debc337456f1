#include "dlls/unzeng/Plan.h"

#include "dlls/unzeng/OutputFiles.h"
#include "dlls/zipcore/MemberReader.h"
#include "dlls/zipcore/NameText.h"
#include "dlls/zipcore/SafeName.h"
#include "dlls/zipcore/Wildcard.h"
#include "dlls/zipcore/ZipFormat.h"

#include <windows.h>

#include <unordered_map>

namespace unzeng {

namespace {

std::wstring LowerKey(std::wstring s) {
    if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

Job MakeNotice(const zipcore::Member& m, keng::ErrorCode code, std::string text) {
    Job job;
    job.kind = Job::Kind::Notice;
    job.member = &m;
    job.notice = {code, std::move(text)};
    return job;
}

} // namespace

TargetName MemberTargetName(const zipcore::Member& member, bool keepFolders) {
    const zipcore::DecodedName decoded = zipcore::DecodeMemberName(member);
    std::string utf8 = decoded.text;
    if (decoded.encoding != zipcore::NameEncoding::Utf8) {
        const unsigned codePage =
            decoded.encoding == zipcore::NameEncoding::OemCodePage ? CP_OEMCP : CP_ACP;
        const std::wstring wide = Widen(decoded.text, codePage);
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
        utf8.assign(n > 0 ? n : 0, '\0');
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                                n, nullptr, nullptr);
    }
    const zipcore::SafePath safe = zipcore::MakeSafePath(utf8, '\\', keepFolders);
    TargetName result;
    result.ok = safe.ok;
    result.reason = safe.reason;
    result.directory = safe.directory || member.IsDirectory();
    if (safe.ok) result.path = Widen(safe.path, CP_UTF8);
    return result;
}

Plan MakePlan(const zipcore::ArchiveInfo& archive, const Request& request,
              const std::wstring& base) {
    Plan plan;
    const zipcore::NameSelector selector(request.specs);
    std::vector<bool> used(request.specs.size(), false);
    std::unordered_map<std::wstring, int> lastWriter;
    const bool extracting = !request.test;

    for (const zipcore::Member& m : archive.members) {
        if (!selector.Selects(m.name, &used)) continue;
        const std::string name = zipcore::QuoteName(m.name);

        if (m.IsDirectory()) {
            if (!extracting || !request.dirNames) continue;
            const TargetName t = MemberTargetName(m, true);
            if (!t.ok) {
                plan.jobs.push_back(
                    MakeNotice(m, keng::kErrUnsafeName, "Refused " + name + ": " + t.reason));
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
                MakeNotice(m, keng::kErrUnsupportedMethod, "Skipped " + name + ": it " + why));
            continue;
        }
        if (extracting && m.IsSymlink()) {
            plan.jobs.push_back(
                MakeNotice(m, keng::kErrLink, "Skipped " + name + ": it is a symbolic link"));
            continue;
        }
        Job job;
        job.kind = Job::Kind::File;
        job.member = &m;
        if (extracting) {
            const TargetName t = MemberTargetName(m, request.dirNames);
            if (!t.ok) {
                plan.jobs.push_back(
                    MakeNotice(m, keng::kErrUnsafeName, "Refused " + name + ": " + t.reason));
                continue;
            }
            job.target = base + L"\\" + t.path;
            const int index = static_cast<int>(plan.jobs.size());
            auto [it, fresh] = lastWriter.try_emplace(LowerKey(job.target), index);
            if (!fresh) {
                job.waitFor = it->second;
                it->second = index;
            }
        }
        if (m.IsEncrypted()) plan.needsPassword = true;
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
        if (job.kind != Job::Kind::File || !job.member->IsEncrypted()) continue;
        job.kind = Job::Kind::Notice;
        job.notice = {keng::kErrPassword, "Skipped " + zipcore::QuoteName(job.member->name) +
                                              ": it is encrypted and no password was given"};
    }
}

} // namespace unzeng
