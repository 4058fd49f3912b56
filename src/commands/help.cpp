// The help menu's two screens.
#include "hospital.h"

// Not built yet.
BOOL HelpTopic() { return TRUE; }
BOOL About() { return TRUE; }
