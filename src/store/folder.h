// The data folder: the names of the data files, the folder they live in, and
// the names of what the store writes beside them. Paths are joined here and
// nowhere else ('/' on every platform: Windows takes it too).
#pragma once

#include <string>

extern const char* gp_member_info_filename;   // "depart.dat"
extern const char* gp_asset_info_filename;    // "patient.dat"
extern const char* gp_lend_info_filename;     // "record.dat"
extern const char* backup_sys_date_filename;  // "BackupSysData.dat"

namespace store {

// The data file of level i: 0 departments, 1 patients, 2 visit records.
const char* DataFile(int i);

// Where a name really is: the file a symbolic link points to (through a
// chain of links, however deep the platform allows), or the name itself. A
// link's file is written in its place, so that the link stays a link.
std::string RealPath(const std::string& path);
// The data file of level i where it really is.
std::string RealDataFile(int i);

std::string JoinPath(const std::string& folder, const std::string& name);
std::string BaseName(const std::string& path);
std::string FolderOf(const std::string& path);  // "." for a bare name

// The folder where the data files really live: the working folder, unless
// their names, or the links they are, point elsewhere. Temporaries, the
// commit record, the lock file and the recovery file live there.
std::string Folder();
std::string InFolder(const std::string& name);
// False when the three data files do not all live in that one folder: a
// save could not replace them together.
bool DataFilesInOneFolder();

// Whether a base name is that of a data file in the data folder.
bool IsDataFile(const std::string& name);

constexpr const char* kLockFileName = "Quorvel.lock";

// A name of this copy's own, "<target>.<pid>-<n>.tmp": another copy running
// has another process id, and what an earlier run with the same one left is
// removed before any temporary is made.
std::string TempName(const std::string& target);

// The data file a temporary of a save or backup is written for:
// "depart.dat" for "depart.dat.4711-2.tmp"; empty for any other name.
std::string TempTarget(const std::string& name);

}  // namespace store
