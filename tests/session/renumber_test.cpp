// A department or a patient given a new number keeps its children through a
// save and a load: the files tie them by that number.
#include "session/session_support.h"

namespace {

using namespace session_test;

using Renumber = SessionTest;

TEST_F(Renumber, ADepartmentAndAPatientGivenNewNumbersKeepTheirChildrenThroughSaveAndLoad) {
    DEPART_NODE* d1 = AddDept(1, "内科");
    PATIENT_NODE* p11 = AddPatient(d1, 11, "张三");
    AddRecord(p11, 111);
    AddRecord(p11, 112);
    AddRecord(AddPatient(d1, 12, "李四"), 121);
    AddRecord(AddPatient(AddDept(2, "外科"), 21, "王五"), 211);

    Menu('M', 'z');
    user.type("11\n19\n张三\n13800000000\n1\n武汉\nx");
    Menu('M', 'm');
    user.type("1\n7\n内科\n一号楼\n5550101\n");
    Menu('F', 's');
    Menu('F', 'l');
    user.Checkpoint(
        [&] { ExpectShape("2:外科{21:王五[211]} 7:内科{12:李四[121],19:张三[112,111]}"); });
    Leave();
    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(user.checks_run(), user.checks());
}

}  // namespace
