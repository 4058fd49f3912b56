// The program's entry: the command line, the terminal, then the system.
#include "hospital.h"

int main() { return QuorvelMain(); }
