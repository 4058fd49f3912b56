// The recovery file: its keeper, its base and journal, and reading it back.
//
// Layout (integers little-endian, records in the data files' layouts):
//   base     "QvRecov1"; for each data file the version the collection was
//            loaded from (known, present: one byte each; device, inode, size,
//            mtime: eight bytes each); the departments' count; each
//            department's record, its patients' count, each patient's record,
//            its visit records' count and their records; a CRC-32 of all that
//   journal  entries, each: its length (4 bytes), the entry, a CRC-32 of it.
//            An entry: the operation (add, modify, delete), the level
//            (department, patient, visit record), the position of the entry
//            in its lists (three 4-byte indexes), and for add and modify the
//            entry's record.
// The tree with its counts gives back every entry under the parent it had,
// in its place, also where two parents carry one number. An entry cut short
// at the end is the one being written when the program was killed: it is
// dropped; anything else that does not add up makes the file damaged.
#include "store/recovery.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/commit.h"
#include "store/files.h"
#include "store/folder.h"
#include "store/format.h"
#include "store/record_io.h"
#include "store/store.h"

namespace store {

namespace {

constexpr char kMagic[8] = {'Q', 'v', 'R', 'e', 'c', 'o', 'v', '1'};
enum Op : unsigned char { kAdd = 1, kModify = 2, kDelete = 3 };
constexpr std::size_t kRecordSizes[3] = {kDepartSize, kPatientSize, kRecordSize};

bool g_unsaved = false;
std::unique_ptr<FolderLock> g_keeper;  // held: this copy keeps the file
std::string g_path;                    // the recovery file of this run's folder
int g_journal = -1;                    // the file, open to append, while it is current
DEPART_NODE* g_found = nullptr;        // read at start-up, not yet the collection
SeenFile g_found_seen[3];

/* ---- CRC-32 (the polynomial of zip and PNG), eight bytes a step ---- */

struct CrcTables {
    std::uint32_t t[8][256];
    CrcTables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (int j = 1; j < 8; ++j)
            for (int i = 0; i < 256; ++i) t[j][i] = (t[j - 1][i] >> 8) ^ t[0][t[j - 1][i] & 0xFF];
    }
};

std::uint32_t Crc32(const unsigned char* p, std::size_t n, std::uint32_t crc = 0) {
    static const CrcTables tables;
    const auto& t = tables.t;
    crc = ~crc;
    while (n >= 8) {
        const std::uint32_t lo = crc ^ (static_cast<std::uint32_t>(p[0]) | p[1] << 8 | p[2] << 16 |
                                        static_cast<std::uint32_t>(p[3]) << 24);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

/* ---- Writing ---- */

void PutU64(unsigned char* out, std::uint64_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
    PutU32(out + 4, static_cast<std::uint32_t>(v >> 32));
}
std::uint64_t GetU64(const unsigned char* in) {
    return GetU32(in) | static_cast<std::uint64_t>(GetU32(in + 4)) << 32;
}

constexpr std::size_t kSeenSize = 2 + 4 * 8;

// A TempWriter that keeps a CRC of what it was given.
struct CheckedWriter {
    TempWriter& out;
    std::uint32_t crc = 0;
    void Put(const unsigned char* bytes, std::size_t n) {
        crc = Crc32(bytes, n, crc);
        out.Put(bytes, n);
    }
    void PutCount(std::uint32_t n) {
        unsigned char b[4];
        PutU32(b, n);
        Put(b, 4);
    }
};

template <typename Node>
std::uint32_t CountOf(const Node* n) {
    std::uint32_t c = 0;
    for (; n; n = n->next) ++c;
    return c;
}

void CloseJournal() {
    if (g_journal >= 0) file_ops.close(g_journal);
    g_journal = -1;
}

// The file cannot be brought up to date: it must not be offered later as
// the latest, so it goes; the next completed entry writes a new base.
void GiveUpFile() {
    CloseJournal();
    Remove(g_path.c_str());
}

// The whole collection as the new base, in place in one step, then open for
// the journal.
void WriteBase() {
    CloseJournal();
    TempWriter temp(g_path.c_str());
    if (!temp.Open()) return GiveUpFile();
    CheckedWriter w{temp};
    w.Put(reinterpret_cast<const unsigned char*>(kMagic), sizeof kMagic);
    SeenFile seen[3];
    RememberedVersions(seen);
    for (const SeenFile& s : seen) {
        unsigned char b[kSeenSize];
        b[0] = s.known ? 1 : 0;
        b[1] = s.present ? 1 : 0;
        PutU64(b + 2, s.id.device);
        PutU64(b + 10, s.id.inode);
        PutU64(b + 18, s.id.size);
        PutU64(b + 26, static_cast<std::uint64_t>(s.id.mtime_ns));
        w.Put(b, sizeof b);
    }
    unsigned char rec[kRecordSize];
    w.PutCount(CountOf(hp));
    for (const DEPART_NODE* d = hp; d; d = d->next) {
        EncodeDepart(*d, rec);
        w.Put(rec, kDepartSize);
        w.PutCount(CountOf(d->anext));
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            EncodePatient(*p, rec);
            w.Put(rec, kPatientSize);
            w.PutCount(CountOf(p->lnext));
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) {
                EncodeRecord(*r, rec);
                w.Put(rec, kRecordSize);
            }
        }
    }
    unsigned char crc[4];
    PutU32(crc, w.crc);
    temp.Put(crc, 4);
    if (!temp.Finish() || file_ops.replace(temp.temp().c_str(), g_path.c_str()) != 0)
        return GiveUpFile();
    temp.Keep();
    file_ops.sync_folder(FolderOf(g_path));
    g_journal = file_ops.open_append(g_path.c_str());
    if (g_journal < 0) GiveUpFile();
}

// Where an entry stands: its index in each list from the departments down.
struct Place {
    std::uint32_t at[3] = {0, 0, 0};
};

bool Find(const DEPART_NODE* target, Place* place) {
    std::uint32_t i = 0;
    for (const DEPART_NODE* d = hp; d; d = d->next, ++i)
        if (d == target) return place->at[0] = i, true;
    return false;
}

bool Find(const PATIENT_NODE* target, Place* place) {
    std::uint32_t i = 0;
    for (const DEPART_NODE* d = hp; d; d = d->next, ++i) {
        std::uint32_t j = 0;
        for (const PATIENT_NODE* p = d->anext; p; p = p->next, ++j)
            if (p == target) return place->at[0] = i, place->at[1] = j, true;
    }
    return false;
}

bool Find(const RECORD_NODE* target, Place* place) {
    std::uint32_t i = 0;
    for (const DEPART_NODE* d = hp; d; d = d->next, ++i) {
        std::uint32_t j = 0;
        for (const PATIENT_NODE* p = d->anext; p; p = p->next, ++j) {
            std::uint32_t k = 0;
            for (const RECORD_NODE* r = p->lnext; r; r = r->next, ++k)
                if (r == target) return place->at[0] = i, place->at[1] = j, place->at[2] = k, true;
        }
    }
    return false;
}

// One completed entry: in the journal when the file is current, else the
// base, which holds it already.
void Note(Op op, int level, const Place& place, const unsigned char* record) {
    g_unsaved = true;
    if (!g_keeper) return;
    if (g_journal < 0) return WriteBase();
    std::vector<unsigned char> entry(4 + 2 + 12 + (op == kDelete ? 0 : kRecordSizes[level]) + 4);
    const std::uint32_t length = static_cast<std::uint32_t>(entry.size() - 8);
    PutU32(entry.data(), length);
    entry[4] = op;
    entry[5] = static_cast<unsigned char>(level);
    for (int i = 0; i < 3; ++i) PutU32(entry.data() + 6 + 4 * i, place.at[i]);
    if (op != kDelete) std::memcpy(entry.data() + 18, record, kRecordSizes[level]);
    PutU32(entry.data() + 4 + length, Crc32(entry.data() + 4, length));
    if (!WriteAll(g_journal, entry.data(), entry.size()) || file_ops.flush(g_journal) != 0)
        GiveUpFile();
}

template <typename Node, typename Encode>
void NoteEntry(Op op, int level, const Node* n, Encode encode) {
    g_unsaved = true;
    Place place;
    if (!Find(n, &place)) return;
    unsigned char rec[kRecordSize];
    encode(*n, rec);
    Note(op, level, place, rec);
}

/* ---- Reading back ---- */

class Reader {
public:
    explicit Reader(const std::string& bytes)
        : p_(reinterpret_cast<const unsigned char*>(bytes.data())), left_(bytes.size()) {}
    const unsigned char* Take(std::size_t n) {
        if (n > left_) return nullptr;
        const unsigned char* at = p_;
        p_ += n;
        left_ -= n;
        return at;
    }
    bool Count(std::uint32_t* n) {
        const unsigned char* b = Take(4);
        if (b) *n = GetU32(b);
        return b != nullptr;
    }
    std::size_t left() const { return left_; }
    const unsigned char* at() const { return p_; }

private:
    const unsigned char* p_;
    std::size_t left_;
};

template <typename Node>
Node* NewNode() {
    return static_cast<Node*>(gp_alloc_node(sizeof(Node)));
}

// Appends to a list kept by its tail.
template <typename Node>
void Append(Node**& tail, Node* n) {
    *tail = n;
    tail = &n->next;
}

enum class Read { kWhole, kDamaged, kNoMemory };

Read ReadBase(Reader& in, DEPART_NODE** head, SeenFile (&seen)[3]) {
    const unsigned char* start = in.at();
    const unsigned char* magic = in.Take(sizeof kMagic);
    if (!magic || std::memcmp(magic, kMagic, sizeof kMagic) != 0) return Read::kDamaged;
    for (SeenFile& s : seen) {
        const unsigned char* b = in.Take(kSeenSize);
        if (!b) return Read::kDamaged;
        s.known = b[0] != 0;
        s.present = b[1] != 0;
        s.id.device = GetU64(b + 2);
        s.id.inode = GetU64(b + 10);
        s.id.size = GetU64(b + 18);
        s.id.mtime_ns = static_cast<std::int64_t>(GetU64(b + 26));
    }
    std::uint32_t departs = 0;
    if (!in.Count(&departs)) return Read::kDamaged;
    DEPART_NODE** dtail = head;
    for (std::uint32_t i = 0; i < departs; ++i) {
        const unsigned char* rec = in.Take(kDepartSize);
        std::uint32_t patients = 0;
        if (!rec || !in.Count(&patients)) return Read::kDamaged;
        auto* d = NewNode<DEPART_NODE>();
        if (!d) return Read::kNoMemory;
        DecodeDepart(rec, d);
        Append(dtail, d);
        PATIENT_NODE** ptail = &d->anext;
        for (std::uint32_t j = 0; j < patients; ++j) {
            rec = in.Take(kPatientSize);
            std::uint32_t records = 0;
            if (!rec || !in.Count(&records)) return Read::kDamaged;
            auto* p = NewNode<PATIENT_NODE>();
            if (!p) return Read::kNoMemory;
            DecodePatient(rec, p);
            Append(ptail, p);
            RECORD_NODE** rtail = &p->lnext;
            for (std::uint32_t k = 0; k < records; ++k) {
                rec = in.Take(kRecordSize);
                if (!rec) return Read::kDamaged;
                auto* r = NewNode<RECORD_NODE>();
                if (!r) return Read::kNoMemory;
                DecodeRecord(rec, r);
                Append(rtail, r);
            }
        }
    }
    const std::uint32_t crc = Crc32(start, static_cast<std::size_t>(in.at() - start));
    const unsigned char* stored = in.Take(4);
    return stored && GetU32(stored) == crc ? Read::kWhole : Read::kDamaged;
}

// The link that points at entry `index` of a list (its end for index ==
// length), or null beyond it.
template <typename Node>
Node** LinkAt(Node** head, std::uint32_t index) {
    Node** link = head;
    for (std::uint32_t i = 0; i < index; ++i) {
        if (!*link) return nullptr;
        link = &(*link)->next;
    }
    return link;
}

void CopyFields(DEPART_NODE* to, const DEPART_NODE& from) {
    DEPART_NODE keep = *to;
    *to = from;
    to->next = keep.next;
    to->anext = keep.anext;
    RenumberChildren(to);
}
void CopyFields(PATIENT_NODE* to, const PATIENT_NODE& from) {
    PATIENT_NODE keep = *to;
    *to = from;
    to->next = keep.next;
    to->lnext = keep.lnext;
    RenumberChildren(to);
}
void CopyFields(RECORD_NODE* to, const RECORD_NODE& from) {
    RECORD_NODE* next = to->next;
    *to = from;
    to->next = next;
}

void FreeNode(DEPART_NODE* d) { FreeCollection(d); }
void FreeNode(PATIENT_NODE* p) { FreePatients(p); }
void FreeNode(RECORD_NODE* r) { std::free(r); }

template <typename Node, typename Decode>
Read ApplyAt(Node** head, Op op, const Place& place, int level, const unsigned char* rec, Decode decode) {
    Node** link = LinkAt(head, place.at[level]);
    if (!link) return Read::kDamaged;
    if (op == kAdd) {
        Node* n = NewNode<Node>();
        if (!n) return Read::kNoMemory;
        decode(rec, n);
        n->next = *link;
        *link = n;
        return Read::kWhole;
    }
    Node* n = *link;
    if (!n) return Read::kDamaged;
    if (op == kModify) {
        Node from{};
        decode(rec, &from);
        CopyFields(n, from);
    } else {
        *link = n->next;
        n->next = nullptr;
        FreeNode(n);
    }
    return Read::kWhole;
}

Read Apply(DEPART_NODE** head, Op op, int level, const Place& place, const unsigned char* rec) {
    if (level == 0) return ApplyAt(head, op, place, 0, rec, DecodeDepart);
    DEPART_NODE** d = LinkAt(head, place.at[0]);
    if (!d || !*d) return Read::kDamaged;
    if (level == 1) return ApplyAt(&(*d)->anext, op, place, 1, rec, DecodePatient);
    PATIENT_NODE** p = LinkAt(&(*d)->anext, place.at[1]);
    if (!p || !*p) return Read::kDamaged;
    return ApplyAt(&(*p)->lnext, op, place, 2, rec, DecodeRecord);
}

Read ReadJournal(Reader& in, DEPART_NODE** head) {
    while (in.left() > 0) {
        std::uint32_t length = 0;
        if (!in.Count(&length) || in.left() < static_cast<std::uint64_t>(length) + 4)
            return Read::kWhole;  // the entry being written when the program ended
        const unsigned char* entry = in.Take(length);
        const unsigned char* crc = in.Take(4);
        if (GetU32(crc) != Crc32(entry, length) || length < 14) return Read::kDamaged;
        const Op op = static_cast<Op>(entry[0]);
        const int level = entry[1];
        if (level > 2 || (op != kAdd && op != kModify && op != kDelete)) return Read::kDamaged;
        if (length != 14 + (op == kDelete ? 0 : kRecordSizes[level])) return Read::kDamaged;
        Place place;
        for (int i = 0; i < 3; ++i) place.at[i] = GetU32(entry + 2 + 4 * i);
        Read applied = Apply(head, op, level, place, entry + 14);
        if (applied != Read::kWhole) return applied;
    }
    return Read::kWhole;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    int fd = file_ops.open_read(path.c_str());
    if (fd < 0) return false;
    char buf[1 << 16];
    std::ptrdiff_t n;
    bool ok = true;
    while ((n = file_ops.read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        bytes->append(buf, static_cast<std::size_t>(n));
    }
    file_ops.close(fd);
    return ok;
}

void DropFound() {
    FreeCollection(g_found);
    g_found = nullptr;
}

}  // namespace

void NoteAdded(const DEPART_NODE* d) { NoteEntry(kAdd, 0, d, EncodeDepart); }
void NoteAdded(const PATIENT_NODE* p) { NoteEntry(kAdd, 1, p, EncodePatient); }
void NoteAdded(const RECORD_NODE* r) { NoteEntry(kAdd, 2, r, EncodeRecord); }
void NoteModified(const DEPART_NODE* d) { NoteEntry(kModify, 0, d, EncodeDepart); }
void NoteModified(const PATIENT_NODE* p) { NoteEntry(kModify, 1, p, EncodePatient); }
void NoteModified(const RECORD_NODE* r) { NoteEntry(kModify, 2, r, EncodeRecord); }

void DeleteDepart(DEPART_NODE* d, DEPART_NODE* before) {
    Place place;
    bool found = Find(d, &place);
    RemoveDepart(d, before);
    if (found) Note(kDelete, 0, place, nullptr);
}

void DeletePatient(DEPART_NODE* d, PATIENT_NODE* p, PATIENT_NODE* before) {
    Place place;
    bool found = Find(p, &place);
    RemovePatient(d, p, before);
    if (found) Note(kDelete, 1, place, nullptr);
}

void DeleteRecord(PATIENT_NODE* p, RECORD_NODE* r, RECORD_NODE* before) {
    Place place;
    bool found = Find(r, &place);
    RemoveRecord(p, r, before);
    if (found) Note(kDelete, 2, place, nullptr);
}

bool Unsaved() { return g_unsaved; }

void NothingUnsaved() {
    g_unsaved = false;
    if (!g_keeper) return;
    CloseJournal();
    Remove(g_path.c_str());
}

void AllUnsaved() {
    g_unsaved = true;
    if (g_keeper) WriteBase();
}

namespace {

Recovery ReadRecoveryFile(const std::string& path, DEPART_NODE** out, SeenFile (*seen)[3],
                          bool* memory_short) {
    *out = nullptr;
    *memory_short = false;
    switch (Look(path.c_str(), nullptr)) {
        case Entry::kMissing: return Recovery::kNone;
        case Entry::kOther: return Recovery::kDamaged;
        case Entry::kRegular: break;
    }
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) return Recovery::kDamaged;
    Reader in(bytes);
    Read got = ReadBase(in, out, *seen);
    if (got == Read::kWhole) got = ReadJournal(in, out);
    if (got == Read::kWhole) return Recovery::kRecoverable;
    FreeCollection(*out);
    *out = nullptr;
    *memory_short = got == Read::kNoMemory;
    return Recovery::kDamaged;
}

}  // namespace

Recovery ReadRecoveryFile(const std::string& path, DEPART_NODE** out) {
    SeenFile seen[3];
    bool memory_short = false;
    Recovery found = ReadRecoveryFile(path, out, &seen, &memory_short);
    return memory_short ? Recovery::kNone : found;
}

Recovery StartRecovery() {
    StopRecovery();
    g_path = InFolder(kRecoveryFileName);
    auto keeper = std::make_unique<FolderLock>(kRecoveryByte);
    // Another copy keeps the file of this folder, or none can be kept here.
    if (keeper->Take(Lock::kExclusive, true, 0) != Locked::kYes) return Recovery::kNone;
    g_keeper = std::move(keeper);
    // Temporaries of a base that was being written when a run ended.
    for (const std::string& name : FolderNames(FolderOf(g_path)))
        if (TempTarget(name) == kRecoveryFileName) Remove(JoinPath(FolderOf(g_path), name).c_str());

    bool memory_short = false;
    Recovery found = ReadRecoveryFile(g_path, &g_found, &g_found_seen, &memory_short);
    if (memory_short) {
        // The file stays for a later run, and this one keeps none, so as not
        // to write over it.
        g_keeper.reset();
        return Recovery::kNone;
    }
    return found;
}

void Recover() {
    FreeCollection(hp);
    hp = g_found;
    g_found = nullptr;
    RememberVersions(g_found_seen);
    // A new base of what was recovered: the journal starts again from it.
    AllUnsaved();
}

void DiscardRecovery() {
    DropFound();
    if (g_keeper) Remove(g_path.c_str());
}

void SetAsideRecovery() {
    DropFound();
    if (g_keeper)
        file_ops.replace(g_path.c_str(), InFolder(kDamagedRecoveryFileName).c_str());
}

void StopRecovery() {
    CloseJournal();
    DropFound();
    g_keeper.reset();
    g_unsaved = false;
}

}  // namespace store
