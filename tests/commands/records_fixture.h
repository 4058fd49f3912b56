// Shared by the visit-record dialogue tests: a small collection, the lines a
// user types into a record form, and an allocator that runs dry.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "support/app_test.h"

class RecordsTest : public AppTest {
protected:
    // 1 内科: 11 张三 (records 5, 6, 7), 12 王五 (none)
    // 2 外科: 21 李四 (record 8)
    void Build() {
        neike = AddDept(1, "内科");
        waike = AddDept(2, "外科");
        zhang = AddPatient(neike, 11, "张三", 1);
        wang = AddPatient(neike, 12, "王五", 2);
        li = AddPatient(waike, 21, "李四", 2);
        AddRecord(zhang, 5, "王医生", 12.5f, "2024-01-05", "2024-02-05", "2024-02-06", "感冒");
        AddRecord(zhang, 6, "李医生", 30.0f, "2024-03-01", "2024-04-01", "-", "复查");
        AddRecord(zhang, 7, "赵医生", 8.25f, "2024-05-01", "-", "-", "开药");
        AddRecord(li, 8, "钱医生", 100.0f, "2024-06-01", "-", "-", "骨折");
    }

    // A screen row (trailing blanks dropped) and a GBK literal, both as UTF-8
    // so that a failure reads.
    std::string Line(int y, int x0 = 0) const { return Utf8(RowTrim(y, x0)); }
    static std::string U(const std::string& gbk_text) { return Utf8(gbk_text); }

    // Key presses still queued: a reader takes a press by its key-down, and
    // the key-up of the last one taken stays behind.
    std::size_t KeysLeft() const { return fe.pending() / 2; }

    DEPART_NODE* neike = nullptr;
    DEPART_NODE* waike = nullptr;
    PATIENT_NODE* zhang = nullptr;
    PATIENT_NODE* wang = nullptr;
    PATIENT_NODE* li = nullptr;
};

// The record numbers of a patient's list, in list order.
inline std::vector<int> Numbers(const PATIENT_NODE* p) {
    std::vector<int> out;
    for (const RECORD_NODE* r = p->lnext; r; r = r->next) out.push_back(r->number2);
    return out;
}

// The seven lines of a record form: number, doctor, fee, three dates, details.
inline std::string Form(int number, const std::string& doctor = "孙医生",
                        const std::string& fee = "12.5", const std::string& tell = "头痛") {
    return std::to_string(number) + "\n" + doctor + "\n" + fee + "\n2024-07-01\n2024-08-01\n" +
           "2024-08-02\n" + tell + "\n";
}

inline std::string Pad(std::string s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

// Lets `granted` allocations of record nodes succeed, then fails the rest;
// puts the real allocator back when it goes.
class AllocLimit {
public:
    explicit AllocLimit(int granted) : saved_(gp_alloc_node) {
        left_ = granted;
        gp_alloc_node = &Alloc;
    }
    ~AllocLimit() { gp_alloc_node = saved_; }
    AllocLimit(const AllocLimit&) = delete;
    AllocLimit& operator=(const AllocLimit&) = delete;

private:
    static void* Alloc(std::size_t size) { return left_-- > 0 ? std::calloc(1, size) : nullptr; }
    static inline int left_ = 0;
    void* (*saved_)(std::size_t);
};
