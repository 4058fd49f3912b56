// What every dialogue shares: placing the cursor, the yes/no rule, and new
// nodes that go back to the heap if the input ends before they are linked.
#pragma once

#include <cstdlib>
#include <memory>

#include "hospital.h"

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

inline void GotoXY(SHORT x, SHORT y) { SetConsoleCursorPosition(gh_std_out, COORD{x, y}); }
inline void GotoXY(COORD cell) { SetConsoleCursorPosition(gh_std_out, cell); }

// At every yes/no question only "N" and "n" mean no.
inline bool IsNo(char answer) { return answer == 'N' || answer == 'n'; }
