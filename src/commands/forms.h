// What every dialogue shares: placing the cursor, the yes/no rule, new nodes
// that go back to the heap if the input ends before they are linked, and the
// guards that undo a modify or an insert the user cancels.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

#include "commands/commands.h"
#include "console/output.h"
#include "console/reads.h"
#include "layers.h"
#include "store/collection.h"
#include "store/recovery.h"

struct FreeNode {
    void operator()(void* node) const { std::free(node); }
};

// A node allocated but not linked yet: if the input ends in the middle of its
// form (con::InputClosed), the unwinding frees it. Null when memory is short.
template <typename Node>
using NodeGuard = std::unique_ptr<Node, FreeNode>;

template <typename Node>
NodeGuard<Node> NewNode() {
    return NodeGuard<Node>(static_cast<Node*>(gp_alloc_node(sizeof(Node))));
}

// The numbers a department's patients, or a patient's visit records, carry
// of their parent; a visit record has no children.
inline std::vector<int> ChildNumbers(const DEPART_NODE* d) {
    std::vector<int> out;
    for (const PATIENT_NODE* p = d->anext; p; p = p->next) out.push_back(p->number);
    return out;
}
inline std::vector<int> ChildNumbers(const PATIENT_NODE* p) {
    std::vector<int> out;
    for (const RECORD_NODE* r = p->lnext; r; r = r->next) out.push_back(r->number1);
    return out;
}
inline std::vector<int> ChildNumbers(const RECORD_NODE*) { return {}; }
inline void SetChildNumbers(DEPART_NODE* d, const std::vector<int>& numbers) {
    std::size_t i = 0;
    for (PATIENT_NODE* p = d->anext; p && i < numbers.size(); p = p->next) p->number = numbers[i++];
}
inline void SetChildNumbers(PATIENT_NODE* p, const std::vector<int>& numbers) {
    std::size_t i = 0;
    for (RECORD_NODE* r = p->lnext; r && i < numbers.size(); r = r->next) r->number1 = numbers[i++];
}
inline void SetChildNumbers(RECORD_NODE*, const std::vector<int>&) {}

// An entry a modify command changes in place. If the user cancels an answer
// (con::InputCancelled) while the guard stands, the entry gets back every
// field it had and its children the numbers they carried, renumbered or not.
// The end of input changes nothing: the program is ending.
template <typename Node>
class PutBackOnCancel {
public:
    explicit PutBackOnCancel(Node* node)
        : node_(node), saved_(*node), children_(ChildNumbers(node)) {}
    ~PutBackOnCancel() {
        if (!con::InputCancelled::in_flight()) return;
        // A form changes fields only: the links in saved_ are still the node's.
        *node_ = saved_;
        SetChildNumbers(node_, children_);
    }
    PutBackOnCancel(const PutBackOnCancel&) = delete;
    PutBackOnCancel& operator=(const PutBackOnCancel&) = delete;

private:
    Node* node_;
    Node saved_;
    std::vector<int> children_;
};

// An entry the insert commands link into its list before its form is read,
// at *link (the `next` of the entry it follows). If the user cancels an
// answer while the guard stands, it is taken out again and freed: a
// cancelled insert adds nothing. The end of input leaves it linked.
template <typename Node>
class UnlinkOnCancel {
public:
    UnlinkOnCancel(Node** link, Node* node) : link_(link), node_(node) {}
    ~UnlinkOnCancel() {
        if (!con::InputCancelled::in_flight()) return;
        *link_ = node_->next;
        std::free(node_);
    }
    UnlinkOnCancel(const UnlinkOnCancel&) = delete;
    UnlinkOnCancel& operator=(const UnlinkOnCancel&) = delete;

private:
    Node** link_;
    Node* node_;
};

inline void GotoXY(SHORT x, SHORT y) { SetConsoleCursorPosition(gh_std_out, COORD{x, y}); }
inline void GotoXY(COORD cell) { SetConsoleCursorPosition(gh_std_out, cell); }

// Reads the number of a department or patient at `input`, the cell where
// its answer is typed (con_read_d_c: an answer without digits leaves
// *number as it was). A number that `taken` says another entry holds, which
// the files could not keep apart, is refused: "该编号已被使用！按任意键重新
// 输入" over the row below, the rest of the typed line dropped; after a key
// that row is put back, the answer erased, and the question asked again.
template <typename Taken>
void ReadFreeNumber(int* number, COORD input, Taken taken);

// At every yes/no question only "N" and "n" mean no.
inline bool IsNo(char answer) { return answer == 'N' || answer == 'n'; }

// A record field's text as a command prints it: a stored byte below 0x20 or
// 0x7F (a data file may hold any) would move the cursor and rewrite the row,
// so each shows as '?'. The text lives in one of a few rotating buffers, as
// many as the fields of one printed row.
inline const char* ShownText(const char* text, std::size_t capacity) {
    static char buffers[8][64];
    static int next = 0;
    char* shown = buffers[next];
    next = (next + 1) % 8;
    std::size_t i = 0;
    for (; i + 1 < capacity && i + 1 < sizeof buffers[0] && text[i]; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        shown[i] = b < 0x20 || b == 0x7F ? '?' : text[i];
    }
    shown[i] = '\0';
    return shown;
}

template <std::size_t N>
const char* Shown(const char (&field)[N]) {
    static_assert(N <= 64, "a field longer than the buffers of ShownText");
    return ShownText(field, N);
}

/* ---- Reading a number that no other entry holds ---- */

void RefuseTakenNumber(SHORT below);

template <typename Taken>
void ReadFreeNumber(int* number, COORD input, Taken taken) {
    const int before = *number;
    for (;;) {
        SavedRow question(input.Y);
        SavedRow below(static_cast<SHORT>(input.Y + 1));
        *number = before;
        GotoXY(input);
        con_read_d_c(number);
        if (!taken(*number)) return;
        RefuseTakenNumber(static_cast<SHORT>(input.Y + 1));
        below.Restore();
        question.Restore();
    }
}

