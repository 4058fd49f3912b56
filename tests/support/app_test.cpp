#include "support/app_test.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "console/gbk.h"

namespace {

template <std::size_t N>
void Copy(char (&field)[N], const char* text) {
    std::strncpy(field, text, N - 1);
    field[N - 1] = '\0';
}

}  // namespace

void AppTest::SetUp() {
    ReleaseSys();
    con::attach(&fe);
    con::reset_input_buffer();
    old_cwd_ = std::filesystem::current_path().string();
    // A fresh directory of our own in the system's temporary directory.
    std::random_device seed;
    std::mt19937_64 pick(seed());
    const std::filesystem::path tmp = std::filesystem::temp_directory_path();
    dir_.clear();
    for (int tries = 0; dir_.empty() && tries < 100; ++tries) {
        const std::filesystem::path d = tmp / ("quorvel-test-" + std::to_string(pick()));
        if (std::filesystem::create_directory(d)) dir_ = d.string();
    }
    ASSERT_FALSE(dir_.empty());
    std::filesystem::current_path(dir_);
}

void AppTest::TearDown() {
    ReleaseSys();
    con::attach(nullptr);  // the front end dies with the test
    std::filesystem::current_path(old_cwd_);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
}

void AppTest::StartSys() {
    gh_std_out = GetStdHandle(STD_OUTPUT_HANDLE);
    gh_std_in = GetStdHandle(STD_INPUT_HANDLE);
    SetConsoleTitleA(gp_sys_name);
    SetConsoleScreenBufferSize(gh_std_out, COORD{SCR_COL, SCR_ROW});
    InitInterface();
}

std::string AppTest::Row(int y, int x0, int x1) const { return con::row_text(y, x0, x1); }

std::string AppTest::RowTrim(int y, int x0) const {
    std::string s = Row(y, x0);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

WORD AppTest::Attr(int x, int y) const { return con::attr_at(x, y); }

COORD AppTest::Cursor() const { return con::state().cursor; }

int AppTest::Layer(int x, int y) const { return gp_scr_att[y * SCR_COL + x] & 3; }
int AppTest::Tag(int x, int y) const { return (gp_scr_att[y * SCR_COL + x] >> 2) & 15; }
int AppTest::Sort(int x, int y) const { return (gp_scr_att[y * SCR_COL + x] >> 6) & 3; }

DEPART_NODE* AddDept(int number, const char* name, const char* adr, const char* phone) {
    auto* d = static_cast<DEPART_NODE*>(std::calloc(1, sizeof(DEPART_NODE)));
    d->number = number;
    Copy(d->name, name);
    Copy(d->adr, adr);
    Copy(d->phone, phone);
    DEPART_NODE** link = &hp;
    while (*link) link = &(*link)->next;
    *link = d;
    return d;
}

PATIENT_NODE* AddPatient(DEPART_NODE* dept, int number1, const char* name, int sex,
                         const char* phone, const char* adr) {
    auto* p = static_cast<PATIENT_NODE*>(std::calloc(1, sizeof(PATIENT_NODE)));
    p->number = dept->number;
    p->number1 = number1;
    Copy(p->name, name);
    p->sex = sex;
    Copy(p->phone, phone);
    Copy(p->adr, adr);
    PATIENT_NODE** link = &dept->anext;
    while (*link) link = &(*link)->next;
    *link = p;
    return p;
}

RECORD_NODE* AddRecord(PATIENT_NODE* patient, int number2, const char* doctor, float fee,
                       const char* ldate, const char* bdate, const char* tdate,
                       const char* tell) {
    auto* r = static_cast<RECORD_NODE*>(std::calloc(1, sizeof(RECORD_NODE)));
    r->number1 = patient->number1;
    r->number2 = number2;
    Copy(r->name, doctor);
    r->lmoney = fee;
    Copy(r->ldate, ldate);
    Copy(r->bdate, bdate);
    Copy(r->tdate, tdate);
    Copy(r->tell, tell);
    RECORD_NODE** link = &patient->lnext;
    while (*link) link = &(*link)->next;
    *link = r;
    return r;
}

std::string Utf8(const std::string& gbk_text) { return gbk::to_utf8(gbk_text); }
