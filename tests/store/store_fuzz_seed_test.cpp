// The seed inputs of the store's fuzz target: files the store itself wrote,
// packed the way the target unpacks them. With QUORVEL_STORE_CORPUS set to a
// directory, the seeds are written there (fuzz/corpus/store).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "../../fuzz/store_input.h"
#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

const char* const kNames[4] = {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat"};

store_fuzz::Files Unpack(const std::string& packed) {
    return store_fuzz::Split(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size());
}

void Lay(const store_fuzz::Files& files) {
    for (int i = 0; i < 4; ++i) {
        std::remove(kNames[i]);
        if (files.present[i]) WriteFile(kNames[i], files.bytes[i]);
    }
}

using StoreFuzzSeeds = AppTest;

TEST_F(StoreFuzzSeeds, SeedsUnpackIntoTheFilesTheyWereMadeFrom) {
    DEPART_NODE* d1 = AddDept(1, "内科", "A1", "5551234");
    DEPART_NODE* d2 = AddDept(2, "two");
    AddDept(1, "dup");
    PATIENT_NODE* p = AddPatient(d1, 11, "张三", 1, "138", "X");
    AddPatient(d2, 21, "p21");
    AddRecord(p, 111, "王医生", 12.5f, "2024-01-02", "", "x", "ok");
    AddRecord(p, 112);
    ASSERT_EQ(SaveSysData(), TRUE);
    ASSERT_EQ(BackupSysData(), TRUE);
    const std::string shape = Shape(hp);

    store_fuzz::Files all;
    for (int i = 0; i < 4; ++i) {
        all.present[i] = true;
        all.bytes[i] = ReadFile(kNames[i]);
    }
    store_fuzz::Files partial = all;
    partial.bytes[0] += partial.bytes[0].substr(0, 30);
    partial.present[2] = false;
    partial.bytes[2].clear();
    partial.bytes[3] = partial.bytes[3].substr(0, partial.bytes[3].size() - 7);
    store_fuzz::Files backup_only;
    backup_only.present[3] = true;
    backup_only.bytes[3] = all.bytes[3];
    store_fuzz::Files huge_counts;
    huge_counts.present[0] = huge_counts.present[3] = true;
    huge_counts.bytes[0] = all.bytes[0];
    huge_counts.bytes[3] = U32(0xFFFFFFFFu) + U32(2) + U32(0x40000000u) + all.bytes[0];
    store_fuzz::Files none;

    std::vector<std::pair<std::string, store_fuzz::Files>> seeds = {
        {"all-files", all},
        {"partial-records", partial},
        {"backup-only", backup_only},
        {"huge-counts", huge_counts},
        {"no-files", none},
    };
    for (const auto& [name, files] : seeds) {
        SCOPED_TRACE(name);
        store_fuzz::Files back = Unpack(store_fuzz::Pack(files));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(back.present[i], files.present[i]) << kNames[i];
            EXPECT_EQ(back.bytes[i], files.bytes[i]) << kNames[i];
        }
    }

    // The full seed reaches every level of the load and of the restore.
    FreeCollection(hp);
    hp = nullptr;
    Lay(Unpack(store_fuzz::Pack(all)));
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "1:dup{11:张三[112,111]} 2:two{21:p21[]} 1:内科{}");
    FreeCollection(hp);
    hp = nullptr;
    ASSERT_EQ(RestoreSysData(), TRUE);
    EXPECT_EQ(Shape(hp), "1:dup{11:张三[112,111]} 2:two{21:p21[]} 1:内科{}");
    EXPECT_NE(Shape(hp), shape);

    // An input cut anywhere still unpacks, into shorter files.
    std::string packed = store_fuzz::Pack(all);
    for (std::size_t cut = 0; cut < packed.size(); cut += 37) {
        store_fuzz::Files f = Unpack(packed.substr(0, cut));
        std::size_t total = 0;
        for (const std::string& b : f.bytes) total += b.size();
        EXPECT_LE(total, cut);
    }

    if (const char* dir = std::getenv("QUORVEL_STORE_CORPUS")) {
        for (const auto& [name, files] : seeds) WriteFile(std::string(dir) + "/" + name, store_fuzz::Pack(files));
    }
}

}  // namespace
