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

std::string JoinPath(const std::string& folder, const std::string& name);
std::string BaseName(const std::string& path);
std::string FolderOf(const std::string& path);  // "." for a bare name

// The folder of the data files: the working folder, unless their names
// point elsewhere. Temporaries, the commit record and the lock live there.
std::string Folder();
std::string InFolder(const std::string& name);

bool IsDataFile(const std::string& name);  // a base name

// A name of this copy's own, "<target>.<pid>-<n>.tmp": another copy running
// has another process id, and what an earlier run with the same one left is
// removed before any temporary is made.
std::string TempName(const std::string& target);

// The data file a temporary of a save or backup is written for:
// "depart.dat" for "depart.dat.4711-2.tmp"; empty for any other name.
std::string TempTarget(const std::string& name);

}  // namespace store
