// Unsaved work kept beside the data files, as editors keep swap files: while
// the collection holds changes that no save has written, "Quorvel.recover"
// in the data folder holds them, brought up to date as each entry is
// completed, so that a kill, a hang-up or a crash loses at most the entry
// being typed. It is removed as soon as nothing is unsaved any more.
//
// The file is a base, the whole collection written once at the first change
// after a load or save (through a temporary and a rename), then a journal of
// the entries completed since, each appended and flushed on its own. Only one
// copy per folder keeps it: the one that holds the second byte of the lock
// file while it runs.
#pragma once

#include <cstdint>
#include <string>

#include "store/collection.h"

namespace store {

constexpr const char* kRecoveryFileName = "Quorvel.recover";
constexpr const char* kDamagedRecoveryFileName = "Quorvel.recover.bad";
// The byte of the lock file that the keeper of the recovery file holds.
constexpr std::uint64_t kRecoveryByte = 1;

/* ---- What the commands tell: each entry once it is complete ---- */

// An entry linked into the collection, its last field answered.
void NoteAdded(const DEPART_NODE* d);
void NoteAdded(const PATIENT_NODE* p);
void NoteAdded(const RECORD_NODE* r);
// An entry whose fields were changed in place (its children renumbered).
void NoteModified(const DEPART_NODE* d);
void NoteModified(const PATIENT_NODE* p);
void NoteModified(const RECORD_NODE* r);
// Takes an entry out of the collection (as RemoveDepart and its kin) and
// notes it.
void DeleteDepart(DEPART_NODE* d, DEPART_NODE* before);
void DeletePatient(DEPART_NODE* d, PATIENT_NODE* p, PATIENT_NODE* before);
void DeleteRecord(PATIENT_NODE* p, RECORD_NODE* r, RECORD_NODE* before);

// Whether the collection holds changes that no load, save or restore has
// made good since.
bool Unsaved();

/* ---- What the store tells ---- */

// The collection is what the data files hold now (a load replaced it, a save
// or a restore wrote it): nothing is unsaved, the recovery file goes.
void NothingUnsaved();
// The collection was replaced by one that the files do not hold (a restore
// whose save failed): all of it is unsaved.
void AllUnsaved();

/* ---- Start and end of a run ---- */

enum class Recovery {
    kNone,         // no recovery file, or another copy keeps it
    kRecoverable,  // one read whole: it may be offered
    kDamaged,      // one that cannot be read whole (set aside by SetAsideRecovery)
};

// At start-up: becomes the keeper of the folder's recovery file when no
// other copy is, and reads a recovery file found there, whole, before anything
// is asked.
Recovery StartRecovery();
// The recovery file read at start-up becomes the collection, still unsaved,
// and is kept again; the data-file versions it was loaded from are
// remembered again.
void Recover();
// The recovery file read at start-up is not wanted: it goes.
void DiscardRecovery();
// A damaged recovery file is left for a person to look at, renamed.
void SetAsideRecovery();
// The end of a run: lets go of the keeper's lock, keeps the file.
void StopRecovery();

// Reads a recovery file whole into a new collection, as the start-up does,
// without taking or changing anything: kRecoverable, kDamaged (*out null),
// or kNone when there is no such file.
Recovery ReadRecoveryFile(const std::string& path, DEPART_NODE** out);

}  // namespace store
