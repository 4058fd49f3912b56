// How the session fuzz target turns its bytes into what a user does at the
// console, and the small collection every session starts from. Shared by the
// target and by the test that writes its seed corpus.
//
//   0x20..0x7E   that character typed (letters, digits, blanks, punctuation)
//   0x80..0xFF   that byte typed as an input method delivers it; Chinese text
//                is GBK text as it stands
//   \n \r        Enter            \x1b  Esc          \b \x7f  Backspace
//   \t           Tab              \x01..\x04  Left, Up, Right, Down
//   \x05         F1
//   \x06 c       Alt + the letter 'A' + c % 26
//   \x07 x y     left click at (x - 8, y - 8): cells around and outside the buffer
//   \x0b x y     mouse move to (x - 8, y - 8)
//   \x0c x y     right click at (x - 8, y - 8)
//   \x0e x y d   wheel at (x - 8, y - 8), up when d is even, sideways when d & 2
//   \x0f a b     one GBK character: lead 0x81 + a % 126, trail 0x40 + b % 191
//                (0x7F stepped over)
//   \x10 c       Ctrl + the letter 'A' + c % 26
//   \x11 x y b   a mouse record at (x - 8, y - 8) with buttons b & 0x1F
//   other bytes  nothing
// An operation cut short by the end of the input is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/scripted.h"
#include "layers.h"
#include "store/collection.h"

namespace session_fuzz {

enum Op : char {
    kLeft = 0x01,
    kUp = 0x02,
    kRight = 0x03,
    kDown = 0x04,
    kF1 = 0x05,
    kAlt = 0x06,
    kClick = 0x07,
    kMove = 0x0b,
    kRightClick = 0x0c,
    kWheel = 0x0e,
    kGbk = 0x0f,
    kCtrl = 0x10,
    kMouse = 0x11,
};

constexpr int kMouseOffset = 8;

inline int Cell(std::uint8_t b) { return static_cast<int>(b) - kMouseOffset; }

// Queues the records that the bytes stand for.
inline void Feed(const std::uint8_t* data, std::size_t size, con::ScriptedFrontend& fe) {
    std::size_t i = 0;
    auto has = [&](std::size_t n) { return i + n <= size; };
    while (i < size) {
        const std::uint8_t b = data[i++];
        if ((b >= 0x20 && b <= 0x7E) || b >= 0x80) {
            fe.type(std::string(1, static_cast<char>(b)));
            continue;
        }
        switch (b) {
            case '\n':
            case '\r': fe.enter(); break;
            case 0x1b: fe.esc(); break;
            case '\b':
            case 0x7f: fe.type("\b"); break;
            case '\t': fe.type("\t"); break;
            case kLeft: fe.left(); break;
            case kUp: fe.up(); break;
            case kRight: fe.right(); break;
            case kDown: fe.down(); break;
            case kF1: fe.f1(); break;
            case kAlt:
                if (!has(1)) return;
                fe.alt(static_cast<char>('A' + data[i++] % 26));
                break;
            case kCtrl:
                if (!has(1)) return;
                fe.ctrl(static_cast<char>('A' + data[i++] % 26));
                break;
            case kClick:
            case kMove:
            case kRightClick: {
                if (!has(2)) return;
                const int x = Cell(data[i]), y = Cell(data[i + 1]);
                i += 2;
                if (b == kClick) fe.click(x, y);
                else if (b == kMove) fe.move(x, y);
                else fe.right_click(x, y);
                break;
            }
            case kWheel: {
                if (!has(3)) return;
                const int x = Cell(data[i]), y = Cell(data[i + 1]);
                const std::uint8_t d = data[i + 2];
                i += 3;
                const int delta = d & 1 ? -120 : 120;
                fe.mouse(x, y, static_cast<DWORD>(delta) << 16,
                         d & 2 ? MOUSE_HWHEELED : MOUSE_WHEELED);
                break;
            }
            case kGbk: {
                if (!has(2)) return;
                const int lead = 0x81 + data[i] % 126;
                int trail = 0x40 + data[i + 1] % 191;
                if (trail >= 0x7F) ++trail;
                i += 2;
                fe.type(std::string{static_cast<char>(lead), static_cast<char>(trail)});
                break;
            }
            case kMouse: {
                if (!has(3)) return;
                fe.mouse(Cell(data[i]), Cell(data[i + 1]), data[i + 2] & 0x1F, 0);
                i += 3;
                break;
            }
            default: break;
        }
    }
}

// Writers of the same bytes, for seeds.
inline std::string Alt(char letter) { return std::string{kAlt, static_cast<char>(letter - 'A')}; }
inline std::string At(Op op, int x, int y) {
    return std::string{op, static_cast<char>(x + kMouseOffset), static_cast<char>(y + kMouseOffset)};
}
inline std::string Click(int x, int y) { return At(kClick, x, y); }

/* ---- The collection every session starts from ---- */

template <std::size_t N>
void SetText(char (&field)[N], const char* text) {
    std::size_t n = std::strlen(text);
    if (n > N - 1) n = N - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

inline void* Node(std::size_t size) {
    void* p = std::calloc(1, size);
    if (!p) std::abort();
    return p;
}

// Two departments; three patients, two of them in department 1; three visit
// records. Lists in the order given here.
inline DEPART_NODE* StartingCollection() {
    auto* d1 = static_cast<DEPART_NODE*>(Node(sizeof(DEPART_NODE)));
    auto* d2 = static_cast<DEPART_NODE*>(Node(sizeof(DEPART_NODE)));
    d1->number = 1;
    SetText(d1->name, "内科");
    SetText(d1->adr, "一号楼");
    SetText(d1->phone, "5550101");
    d2->number = 2;
    SetText(d2->name, "外科");
    SetText(d2->adr, "二号楼");
    SetText(d2->phone, "5550202");
    d1->next = d2;

    PATIENT_NODE* p[3];
    const int numbers[3] = {11, 12, 21};
    const char* names[3] = {"张三", "李四", "王五"};
    for (int i = 0; i < 3; ++i) {
        p[i] = static_cast<PATIENT_NODE*>(Node(sizeof(PATIENT_NODE)));
        p[i]->number = i < 2 ? 1 : 2;
        p[i]->number1 = numbers[i];
        SetText(p[i]->name, names[i]);
        SetText(p[i]->phone, "13800000000");
        p[i]->sex = i % 2;
        SetText(p[i]->adr, "武汉");
    }
    d1->anext = p[0];
    p[0]->next = p[1];
    d2->anext = p[2];

    const int records[3] = {111, 112, 211};
    for (int i = 0; i < 3; ++i) {
        auto* r = static_cast<RECORD_NODE*>(Node(sizeof(RECORD_NODE)));
        PATIENT_NODE* owner = i < 2 ? p[0] : p[2];
        r->number1 = owner->number1;
        r->number2 = records[i];
        SetText(r->name, "赵医生");
        r->lmoney = 12.5f * static_cast<float>(i + 1);
        SetText(r->ldate, "2024-03-01");
        SetText(r->bdate, "2024-04-01");
        SetText(r->tdate, "");
        SetText(r->tell, "复查");
        RECORD_NODE** link = &owner->lnext;
        while (*link) link = &(*link)->next;
        *link = r;
    }
    return d1;
}

}  // namespace session_fuzz
