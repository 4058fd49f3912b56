// Giving back what the application holds, at exit and between sessions run in
// one process (tests, the fuzz target).
#include <cstdlib>

#include "hospital.h"

void ReleaseSys() {
    FreeCollection(hp);
    hp = nullptr;
    ForgetDataFiles();

    // The base layer shares the cell map; every pop-up owns its saved cells.
    while (gp_top_layer) {
        LAYER_NODE* below = gp_top_layer->next;
        if (gp_top_layer->pScrAtt != gp_scr_att) std::free(gp_top_layer->pScrAtt);
        std::free(gp_top_layer->pContent);
        std::free(gp_top_layer);
        gp_top_layer = below;
    }
    std::free(gp_scr_att);
    gp_scr_att = nullptr;

    std::free(gp_buff_menubar_info);
    gp_buff_menubar_info = nullptr;
    std::free(gp_buff_stateBar_info);
    gp_buff_stateBar_info = nullptr;

    gi_sel_menu = 1;
    gi_sel_sub_menu = 0;
    con::set_focus(nullptr);
    con::reset_input_buffer();
}
