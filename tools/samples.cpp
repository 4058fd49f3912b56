#include "samples.h"

#include <cstdlib>
#include <cstring>

namespace samples {

namespace {

const Department kDepartments[] = {
    {1, "内科", "门诊楼二层", "027-87541201"},
    {2, "外科", "门诊楼三层", "027-87541202"},
    {3, "儿科", "门诊楼一层", "027-87541203"},
    {4, "眼科", "综合楼四层", "027-87541204"},
};

const Patient kPatients[] = {
    {1, 1001, "张伟", "13807150123", 1, "武汉市洪山区珞喻路12号"},
    {1, 1002, "王芳", "13907162245", 2, "武汉市武昌区中南路8号"},
    {1, 1003, "李娜", "13607183367", 2, "武汉市江汉区新华路66号"},
    {2, 1004, "刘洋", "13507194489", 1, "武汉市汉阳区钟家村3号"},
    {2, 1005, "陈静", "13307125501", 2, "武汉市青山区和平大道9号"},
    {2, 1006, "杨磊", "13807136623", 1, "武汉市江岸区解放大道20号"},
    {3, 1007, "赵子涵", "13707147745", 1, "武汉市洪山区光谷大道5号"},
    {3, 1008, "黄欣怡", "13907158867", 2, "武汉市武昌区友谊大道31号"},
    {3, 1009, "周子轩", "13607169989", 1, "武汉市硚口区解放路17号"},
    {4, 1010, "吴敏", "13507170012", 2, "武汉市江夏区文化路2号"},
    {4, 1011, "徐强", "13307181134", 1, "武汉市东西湖区吴家山6号"},
    {4, 1012, "孙丽", "13807192256", 2, "武汉市蔡甸区蔡甸街11号"},
};

const Record kRecords[] = {
    {1001, 2001, "李建国", 45.0f, "2026-03-01", "2026-03-08", "2026-03-09", "高血压复查，调整降压药剂量"},
    {1001, 2002, "李建国", 38.5f, "2026-03-09", "2026-04-09", "2026-04-10", "血压平稳，继续服药"},
    {1002, 2003, "陈晓梅", 62.0f, "2026-03-02", "2026-03-16", "2026-03-16", "慢性胃炎，开具胃药两周"},
    {1003, 2004, "李建国", 120.0f, "2026-03-03", "2026-03-10", "2026-03-12", "感冒发热，血常规检查"},
    {1003, 2005, "陈晓梅", 30.0f, "2026-03-12", "2026-03-19", "2026-03-19", "退热，咳嗽减轻"},
    {1004, 2006, "王志强", 350.0f, "2026-03-02", "2026-03-09", "2026-03-09", "右手腕骨折，石膏固定"},
    {1004, 2007, "王志强", 80.0f, "2026-03-09", "2026-04-06", "2026-04-07", "复查X光，愈合良好"},
    {1005, 2008, "赵永红", 560.0f, "2026-03-04", "2026-03-11", "2026-03-11", "阑尾炎术后换药"},
    {1006, 2009, "王志强", 95.5f, "2026-03-05", "2026-03-12", "2026-03-13", "膝关节扭伤，冰敷制动"},
    {1006, 2010, "赵永红", 40.0f, "2026-03-13", "2026-03-27", "2026-03-27", "肿胀消退，开始康复训练"},
    {1007, 2011, "刘春燕", 28.0f, "2026-03-01", "2026-03-04", "2026-03-04", "小儿咳嗽，雾化治疗"},
    {1007, 2012, "刘春燕", 28.0f, "2026-03-04", "2026-03-11", "2026-03-11", "咳嗽好转，停用雾化"},
    {1008, 2013, "孙立新", 65.0f, "2026-03-06", "2026-03-13", "2026-03-14", "湿疹，外用药膏"},
    {1009, 2014, "刘春燕", 150.0f, "2026-03-07", "2026-03-10", "2026-03-10", "腹泻脱水，静脉补液"},
    {1009, 2015, "孙立新", 35.0f, "2026-03-10", "2026-03-17", "2026-03-17", "大便正常，饮食清淡"},
    {1010, 2016, "周文博", 210.0f, "2026-03-03", "2026-06-03", "2026-06-05", "近视加深，重新验光配镜"},
    {1011, 2017, "何丽娟", 88.0f, "2026-03-05", "2026-03-12", "2026-03-12", "结膜炎，滴眼液每日四次"},
    {1011, 2018, "何丽娟", 45.0f, "2026-03-12", "2026-03-26", "2026-03-26", "炎症消退"},
    {1012, 2019, "周文博", 180.0f, "2026-03-08", "2026-03-22", "2026-03-23", "干眼症，人工泪液"},
    {1012, 2020, "周文博", 60.0f, "2026-03-23", "2026-05-23", "2026-05-25", "症状缓解，定期复查"},
};

template <std::size_t N>
void Copy(char (&field)[N], const char* text) {
    std::strncpy(field, text, N - 1);
    field[N - 1] = '\0';
}

}  // namespace

std::span<const Department> Departments() { return kDepartments; }
std::span<const Patient> Patients() { return kPatients; }
std::span<const Record> Records() { return kRecords; }

DEPART_NODE* Build() {
    // Each node goes onto the front of its list in the tables' order, which
    // leaves every list reversed.
    DEPART_NODE* head = nullptr;
    for (const Department& t : kDepartments) {
        auto* d = static_cast<DEPART_NODE*>(std::calloc(1, sizeof(DEPART_NODE)));
        d->number = t.number;
        Copy(d->name, t.name);
        Copy(d->adr, t.adr);
        Copy(d->phone, t.phone);
        d->next = head;
        head = d;
        for (const Patient& tp : kPatients) {
            if (tp.department != t.number) continue;
            auto* p = static_cast<PATIENT_NODE*>(std::calloc(1, sizeof(PATIENT_NODE)));
            p->number = tp.department;
            p->number1 = tp.number;
            Copy(p->name, tp.name);
            Copy(p->phone, tp.phone);
            p->sex = tp.sex;
            Copy(p->adr, tp.adr);
            p->next = d->anext;
            d->anext = p;
            for (const Record& tr : kRecords) {
                if (tr.patient != tp.number) continue;
                auto* r = static_cast<RECORD_NODE*>(std::calloc(1, sizeof(RECORD_NODE)));
                r->number1 = tr.patient;
                r->number2 = tr.number;
                Copy(r->name, tr.doctor);
                r->lmoney = tr.fee;
                Copy(r->ldate, tr.ldate);
                Copy(r->bdate, tr.bdate);
                Copy(r->tdate, tr.tdate);
                Copy(r->tell, tr.tell);
                r->next = p->lnext;
                p->lnext = r;
            }
        }
    }
    return head;
}

}  // namespace samples
