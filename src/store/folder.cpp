// The names of the data folder.
#include "store/folder.h"

#include <filesystem>
#include <string_view>

#include "store/files.h"

const char* gp_member_info_filename = "depart.dat";
const char* gp_asset_info_filename = "patient.dat";
const char* gp_lend_info_filename = "record.dat";
const char* backup_sys_date_filename = "BackupSysData.dat";

namespace store {

const char* DataFile(int i) {
    const char* names[3] = {gp_member_info_filename, gp_asset_info_filename, gp_lend_info_filename};
    return names[i];
}

std::string RealPath(const std::string& path) {
    std::string at = path;
    // As many links as a path may cross; a longer chain is taken as it stands.
    for (int hops = 0; hops < 40; ++hops) {
        std::string target = LinkTarget(at);
        if (target.empty()) return at;
        at = target.front() == '/' ? target : JoinPath(FolderOf(at), target);
    }
    return at;
}

std::string RealDataFile(int i) { return RealPath(DataFile(i)); }

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder == ".") return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string BaseName(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Folder() { return FolderOf(RealDataFile(0)); }

std::string InFolder(const std::string& name) { return JoinPath(Folder(), name); }

bool DataFilesInOneFolder() {
    const std::string folder = Folder();
    auto same = [&](const std::string& other) {
        std::error_code ec;
        return other == folder || std::filesystem::equivalent(other, folder, ec);
    };
    return same(FolderOf(RealDataFile(1))) && same(FolderOf(RealDataFile(2)));
}

bool IsDataFile(const std::string& name) {
    for (int i = 0; i < 3; ++i)
        if (name == BaseName(RealDataFile(i))) return true;
    return false;
}

std::string TempName(const std::string& target) {
    static unsigned seq = 0;
    return target + '.' + std::to_string(ProcessId()) + '-' + std::to_string(++seq) + ".tmp";
}

std::string TempTarget(const std::string& name) {
    constexpr std::string_view kSuffix = ".tmp";
    if (name.size() <= kSuffix.size() || name.compare(name.size() - 4, 4, kSuffix) != 0) return {};
    std::string stem = name.substr(0, name.size() - kSuffix.size());
    std::string::size_type dot = stem.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    std::string middle = stem.substr(dot + 1);
    std::string::size_type dash = middle.find('-');
    auto digits = [](const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(middle.substr(0, dash)) ||
        !digits(middle.substr(dash + 1)))
        return {};
    return stem.substr(0, dot);
}

}  // namespace store
